# Wine's desktop process keeps the mode it found when it started as the
# desktop's; under load it starts after the show's switch. Here Notepad,
# started at 640 x 480, holds one up: Esc still brings the desktop's mode back.
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
