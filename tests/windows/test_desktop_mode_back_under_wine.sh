# Wine keeps as the desktop's mode the one its desktop process found when it
# started. Under load that can be after the show's switch; here a program
# started at 640 x 480 holds such a desktop process up. Esc must still bring
# the desktop's own mode back before the closing box.
. "$(dirname "$0")/../e2e/lib.sh"
need_display
can_switch_mode || { echo "SKIP: the screen cannot switch to 640x480"; exit 77; }
SHOW_WRAPPER=${SHOW_WRAPPER:-wine}
xrandr -s 640x480
wine notepad >/dev/null 2>&1 &
NOTEPAD_PID=$!
trap 'cleanup; kill "$NOTEPAD_PID" 2>/dev/null' EXIT
wait_until_prints yes 60 sh -c 'xwininfo -root -tree | grep -q Notepad && echo yes' ||
    fail "Notepad's window did not appear"
xrandr -s "$DESKTOP_MODE"
start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
expect_mode 640x480 "while the show runs"
end_with_esc
