# A screen that has no 640 x 480 mode, then an X server without RandR: the
# show says so in two boxes and why on standard error, keeps the desktop's
# mode, and runs in its window at the top left until Esc.
. "$(dirname "$0")/lib.sh"
# The screen's size as the core protocol has it, which needs no RandR.
current_mode() { xdpyinfo 2>/dev/null | sed -n 's/^ *dimensions: *\([0-9]*x[0-9]*\) .*/\1/p'; }
need_display
# A screen of its own that has one mode only: Xvfb's. Without -noreset it
# resets whenever its last client leaves, and turns the show away meanwhile.
command -v Xvfb >/dev/null || { echo "SKIP: no Xvfb"; exit 77; }
start_x_server 80 Xvfb -screen 0 1024x768x24 -nolisten tcp -noreset ${WITHOUT_RANDR:+-extension RANDR} ||
    fail "could not start Xvfb"
xvfb=$X_SERVER_PID
stop_xvfb() { cleanup; kill $xvfb 2>/dev/null; }
trap stop_xvfb EXIT
can_switch_mode && fail "Xvfb unexpectedly offers 640x480"

start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
expected=$'OpenGL Demo\nKelvora\nOpenGL Demo'
[ "$(cat "$WORK/boxes")" = "$expected" ] ||
    fail "boxes were: $(tr '\n' '|' <"$WORK/boxes"), expected the warning, the mode box, the general box"
reason=${WITHOUT_RANDR:+the X server has no RandR}
grep -q "^kelvora: the display was not switched to 640x480: ${reason:-the monitor at 0, 0 has no mode of 640x480}" "$WORK/stderr" ||
    fail "stderr [$(paste -sd '|' "$WORK/stderr")], expected the reason: ${reason:-no 640x480 mode}"
expect_mode 1024x768 "with no 640x480 mode (untouched)"
sleep 1
screenshot "$WORK/a.png"
[ "$(colour_count "$WORK/a.png")" -gt 1 ] || fail "the window shows a single colour"
pass "${WITHOUT_RANDR:+no RandR: }mode boxes shown, the reason on stderr, show running at the desktop's mode"

end_with_esc
# The same on an X server without RandR.
[ -n "${WITHOUT_RANDR:-}" ] || WITHOUT_RANDR=1 bash "$0" "$KELVORA"
