# The whole life of the show: warning box, the 640 x 480 window drawing frame
# after frame, Esc, the desktop's mode back before the closing box, exit 0.
. "$(dirname "$0")/lib.sh"
need_display

start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
head -n 1 "$WORK/boxes" | grep -qx "OpenGL Demo" || fail "the first box was not the warning: $(cat "$WORK/boxes")"
pass "warning box closed, window up"

if can_switch_mode; then
    expect_mode 640x480 "while the show runs"
    pass "screen switched to 640x480"
fi

sleep 1
screenshot "$WORK/a.png"
sleep 0.7
screenshot "$WORK/b.png"
[ "$(mean_brightness "$WORK/a.png")" != 0 ] || fail "the window is black"
cmp -s "$WORK/a.png" "$WORK/b.png" && [ "$(colour_count "$WORK/a.png")" -gt 1 ] &&
    fail "two screenshots 0.7 s apart are identical: frames are not being drawn"
pass "frames are drawn (brightness $(mean_brightness "$WORK/a.png"))"

press Escape || fail "no window to press Esc in"
box=$(wait_box Kelvora 10) || fail "no closing box after Esc"
expect_mode "$DESKTOP_MODE" "at the closing box"
windows_named Kelvora | grep -q ' 640x480$' && fail "the show's window is still up at the closing box"
pass "closing box shown with the desktop restored"

close_box "$box"
wait_exit 5 || fail "the show did not end within 5 s of closing the box"
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS, expected 0"
pass "ended with status 0"

# Too few file descriptors for GTK (ulimit -n 12) aborted the show at its
# first box: now the boxes' texts go to standard error, and the show plays
# and ends as usual, the desktop's mode back. Linux alone: GTK's boxes.
[ -n "${SHOW_WRAPPER:-}" ] && exit 0
SHOW_WRAPPER="prlimit --nofile=12" start_show
wait_show_window >/dev/null || fail "ulimit -n 12: no window; stderr: $(cat "$WORK/stderr")"
press Escape || fail "ulimit -n 12: no window to press Esc in"
wait_exit 10 || fail "ulimit -n 12: the show did not end after Esc"
[ "$EXIT_STATUS" = 0 ] || fail "ulimit -n 12: exit status $EXIT_STATUS, expected 0; stderr: $(cat "$WORK/stderr")"
expect_mode "$DESKTOP_MODE" "ulimit -n 12, after the show"
boxes=$(grep -c 'too few file descriptors free for a box' "$WORK/stderr")
((boxes >= 2)) || fail "ulimit -n 12: $boxes boxes on standard error, expected the warning and the closing box; stderr: $(cat "$WORK/stderr")"
pass "ulimit -n 12: $boxes boxes on standard error, status 0, the desktop's mode back"
