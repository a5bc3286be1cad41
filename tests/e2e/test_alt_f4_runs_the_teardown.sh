# A close that is not Esc (Alt+F4) runs the same teardown: the desktop's mode
# back, the closing box, and the process ends with status 0.
. "$(dirname "$0")/lib.sh"
need_display

start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
sleep 0.5
press alt+F4 || fail "no window to press Alt+F4 in"
box=$(wait_box Kelvora 10) || fail "no closing box after Alt+F4"
[ "$(current_mode)" = "$DESKTOP_MODE" ] || fail "screen is $(current_mode) at the closing box, expected $DESKTOP_MODE"
close_box "$box"
wait_exit 5 || fail "the show did not end after Alt+F4 and the closing box"
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS, expected 0"
pass "Alt+F4: teardown, closing box, status 0"
