# Two monitors side by side: the show switches only the primary one, where
# its window stands at 0, 0, leaves the other as it is, and puts back every
# output's mode, position and primary flag, at the closing box and after a
# SIGKILL. Once the show has put the layout back, a mode the user then sets
# stays, even when the show dies afterwards.
. "$(dirname "$0")/lib.sh"
# A server of its own: a screen once grown wider than configured shows black
# in later tests' screenshots.
start_private_x "$REPO/tests/e2e/xorg-dummy.conf"
xrandr --addmode DUMMY1 800x600 && xrandr --output DUMMY1 --mode 800x600 --pos 1024x168 ||
    fail "could not set up a second monitor"
DESKTOP_MODE=$(current_mode)
layout=$(desktop_layout)
expect_layout() {
    wait_until_prints "$layout" 2 desktop_layout ||
        fail "$1: layout is [$(paste -sd '|' <<<"$SEEN")], expected [$(paste -sd '|' <<<"$layout")]"
}

start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
during=$(desktop_layout)
grep -q '^DUMMY0 connected primary 640x480+0+0 ' <<<"$during" &&
    [ "$(grep DUMMY1 <<<"$during")" = "$(grep DUMMY1 <<<"$layout")" ] ||
    fail "while the show runs: layout is [$(paste -sd '|' <<<"$during")], expected DUMMY0 at 640x480 and DUMMY1 as in [$(paste -sd '|' <<<"$layout")]"
pass "while the show runs: DUMMY0 at 640x480, DUMMY1 untouched"
press Escape || fail "no window to press Esc in"
box=$(wait_box Kelvora 10) || fail "no closing box after Esc"
expect_layout "at the closing box"
close_box "$box"
wait_exit 5 || fail "the show did not end after the closing box"
expect_layout "after the end"
pass "Esc: the whole layout back at the closing box and after"

start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
kill -KILL "$SHOW_PID"
wait_exit 5 || fail "the show still runs 5 s after SIGKILL"
expect_layout "after SIGKILL"
pass "SIGKILL: the whole layout back"

start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
press Escape || fail "no window to press Esc in"
wait_box Kelvora 10 >/dev/null || fail "no closing box after Esc"
xrandr --output DUMMY0 --mode 800x600 || fail "could not set a mode by hand"
kill -KILL "$SHOW_PID"
wait_exit 5 || fail "the show still runs 5 s after SIGKILL"
sleep 1.5
mine=$(xrandr | grep '^DUMMY0 ')
[[ "$mine" == *" 800x600+0+0 "* ]] || fail "1.5 s after a SIGKILL at the closing box DUMMY0 is [$mine], expected the 800x600 set by hand"
pass "a mode set by hand after the show's restore stays"

# No monitor at 0, 0: the switch fails with its box, the reason goes to
# standard error, and the show plays in its window on the primary monitor.
xrandr --output DUMMY0 --pos 0x100 --output DUMMY1 --pos 1024x0 ||
    fail "could not move the monitors off 0, 0"
start_show
pass_startup_boxes || fail "no monitor at 0, 0: the show's window did not appear; stderr: $(cat "$WORK/stderr")"
[ "$(paste -sd '|' "$WORK/boxes")" = "OpenGL Demo|Kelvora|OpenGL Demo" ] ||
    fail "no monitor at 0, 0: boxes were [$(paste -sd '|' "$WORK/boxes")], expected the warning, the mode box, the general box"
grep -q "^kelvora: the display was not switched to 640x480: no monitor stands at 0, 0" "$WORK/stderr" ||
    fail "no monitor at 0, 0: stderr [$(paste -sd '|' "$WORK/stderr")], expected the reason"
place=$(xwininfo -id "$(wait_show_window)" | awk '/Absolute upper-left [XY]/ {printf "%s%s", sep, $NF; sep = ","}')
[ "$place" = 0,100 ] || fail "no monitor at 0, 0: the window stands at $place, expected 0,100 (the primary monitor's corner)"
pass "no monitor at 0, 0: boxes, the reason on stderr, the window on the primary monitor"
