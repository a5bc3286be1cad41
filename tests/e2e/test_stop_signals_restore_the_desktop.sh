# Ctrl+C (SIGINT), kill (SIGTERM) and a closed terminal (SIGHUP, sent to the
# show's whole process group, its display guardian included) stop the show at
# once: the desktop's mode comes back and the process ends with the signal's
# usual status, without the closing box; also while a start-up box waits for
# the user with the screen already switched, and then neither the box nor the
# window stays behind.
. "$(dirname "$0")/lib.sh"
need_display

for sig in INT TERM HUP; do
    expected=$((128 + $(kill -l $sig)))
    if [ $sig = HUP ]; then SHOW_WRAPPER=setsid start_show; else start_show; fi
    pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
    can_switch_mode && expect_mode 640x480 "SIG$sig: while the show runs"
    sleep 0.5
    if [ $sig = HUP ]; then kill -HUP -- -"$SHOW_PID"; else kill -$sig "$SHOW_PID"; fi
    wait_exit 5 || fail "SIG$sig: the show still runs 5 s later"
    [ "$EXIT_STATUS" = $expected ] || fail "SIG$sig: exit status $EXIT_STATUS, expected $expected"
    expect_mode "$DESKTOP_MODE" "SIG$sig"
    pass "SIG$sig while drawing: desktop back, status $EXIT_STATUS"
done

# The list of pictures that could not be loaded is shown from inside the
# window's creation, after the switch.
start_show "$(stuff_without texb.tga)"
warning=$(wait_box "OpenGL Demo") || fail "no warning box"
close_box "$warning"
wait_box Kelvora >/dev/null || fail "no box about the missing picture"
can_switch_mode && expect_mode 640x480 "at the picture box"
kill -TERM "$SHOW_PID"
wait_exit 5 || fail "SIGTERM during a box: the show still runs 5 s later"
[ "$EXIT_STATUS" = 143 ] || fail "SIGTERM during a box: exit status $EXIT_STATUS, expected 143"
expect_mode "$DESKTOP_MODE" "SIGTERM during a box"
# No box or window outlives the show.
wait_until_prints "" 3 windows_named Kelvora || fail "windows left on the screen after SIGTERM: $SEEN"
pass "SIGTERM while a box waits: desktop back, status 143, nothing left on the screen"
