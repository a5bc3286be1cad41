# A screen without OpenGL (Xorg with GLX turned off): the window cannot be
# made. The screen was switched before that, so it must be back at the
# desktop's mode when "Could not create window!" shows; the show then ends
# with status 0 and never draws.
. "$(dirname "$0")/lib.sh"
{ cat "$REPO/tests/e2e/xorg-dummy.conf"; printf 'Section "Extensions"\n    Option "GLX" "Disable"\nEndSection\n'; } \
    >"$WORK/xorg-noglx.conf"
start_private_x "$WORK/xorg-noglx.conf"
xdpyinfo 2>/dev/null | grep -q GLX && fail "the private server still has GLX"

watch_screen_sizes
start_show
warning=$(wait_box "OpenGL Demo") || fail "no warning box; stderr: $(cat "$WORK/stderr")"
close_box "$warning"
box=$(wait_box Kelvora) || fail "no box after the warning; stderr: $(cat "$WORK/stderr")"
[ "$(current_mode)" = "$DESKTOP_MODE" ] || fail "screen is $(current_mode) at the box, expected $DESKTOP_MODE"
windows_named Kelvora | grep -q ' 640x480$' && fail "a show window exists after all"
sizes=$(screen_sizes_seen | tr '\n' ' ')
[[ "$sizes" == *"640x480 $DESKTOP_MODE " ]] || fail "screen sizes were [$sizes], expected the switch and the way back"
pass "\"Could not create window!\" box with the desktop's mode back (sizes: $sizes)"
close_box "$box"
wait_exit 5 || fail "the show did not end after the box"
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS, expected 0"
pass "ended with status 0"
