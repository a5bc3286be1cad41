# A screen that has no 640 x 480 mode: the show says so in two boxes, keeps the
# desktop's mode, and runs in its window at the top left until Esc.
. "$(dirname "$0")/lib.sh"
need_display
# A screen of its own that has one mode only: Xvfb's. Without -noreset it
# resets whenever its last client leaves, and turns the show away meanwhile.
command -v Xvfb >/dev/null || { echo "SKIP: no Xvfb"; exit 77; }
start_x_server 80 Xvfb -screen 0 1024x768x24 -nolisten tcp -noreset || fail "could not start Xvfb"
xvfb=$X_SERVER_PID
stop_xvfb() { cleanup; kill $xvfb 2>/dev/null; }
trap stop_xvfb EXIT
can_switch_mode && fail "Xvfb unexpectedly offers 640x480"

start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
expected=$'OpenGL Demo\nKelvora\nOpenGL Demo'
[ "$(cat "$WORK/boxes")" = "$expected" ] ||
    fail "boxes were: $(tr '\n' '|' <"$WORK/boxes"), expected the warning, the mode box, the general box"
expect_mode 1024x768 "with no 640x480 mode (untouched)"
sleep 1
screenshot "$WORK/a.png"
[ "$(colour_count "$WORK/a.png")" -gt 1 ] || fail "the window shows a single colour"
pass "mode boxes shown, show running at the desktop's mode"

end_with_esc
