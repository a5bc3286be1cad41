# A close that is not Esc (Alt+F4) runs the same teardown: the desktop's mode
# back, the closing box, and the process ends with status 0.
. "$(dirname "$0")/lib.sh"
need_display

start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
sleep 0.5
end_with_esc alt+F4
