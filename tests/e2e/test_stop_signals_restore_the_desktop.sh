# Ctrl+C (SIGINT), kill (SIGTERM) and a closed terminal (SIGHUP) stop the show
# at once: the desktop's mode comes back and the process ends with the
# signal's usual status, without the closing box; also while a start-up box
# waits for the user with the screen already switched, and then neither the
# box nor the window stays behind.
. "$(dirname "$0")/lib.sh"
need_display

for sig in INT TERM HUP; do
    expected=$((128 + $(kill -l $sig)))
    start_show
    pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
    if can_switch_mode; then
        [ "$(current_mode)" = 640x480 ] || fail "screen is $(current_mode) while the show runs, expected 640x480"
    fi
    sleep 0.5
    kill -$sig "$SHOW_PID"
    wait_exit 5 || fail "SIG$sig: the show still runs 5 s later"
    [ "$EXIT_STATUS" = $expected ] || fail "SIG$sig: exit status $EXIT_STATUS, expected $expected"
    [ "$(current_mode)" = "$DESKTOP_MODE" ] || fail "SIG$sig: screen is $(current_mode), expected $DESKTOP_MODE"
    pass "SIG$sig while drawing: desktop back, status $EXIT_STATUS"
done

# The list of pictures that could not be loaded is shown from inside the
# window's creation, after the switch.
start_show "$(stuff_without texb.tga)"
warning=$(wait_box "OpenGL Demo") || fail "no warning box"
close_box "$warning"
wait_box Kelvora >/dev/null || fail "no box about the missing picture"
if can_switch_mode; then
    [ "$(current_mode)" = 640x480 ] || fail "screen is $(current_mode) at the picture box, expected 640x480"
fi
kill -TERM "$SHOW_PID"
wait_exit 5 || fail "SIGTERM during a box: the show still runs 5 s later"
[ "$EXIT_STATUS" = 143 ] || fail "SIGTERM during a box: exit status $EXIT_STATUS, expected 143"
[ "$(current_mode)" = "$DESKTOP_MODE" ] || fail "SIGTERM during a box: screen is $(current_mode), expected $DESKTOP_MODE"
# SDL shows the box from a child process, which must not outlive the show.
for ((i = 0; i < 30; i++)); do
    [ -z "$(windows_named Kelvora)" ] && break
    sleep 0.1
done
[ -z "$(windows_named Kelvora)" ] || fail "windows left on the screen after SIGTERM: $(windows_named Kelvora)"
pass "SIGTERM while a box waits: desktop back, status 143, nothing left on the screen"
