# A screen without OpenGL (Xorg with GLX turned off): the window cannot be
# made, so nothing of the show starts. Started with a stuff/ that holds only
# the music, a show that started anyway would bring the pictures' box and
# play the track. The screen was switched before that, so it must be back at
# the desktop's mode when "Could not create window!", the only box after the
# warning, shows; the show then ends with status 0 and never draws.
. "$(dirname "$0")/lib.sh"
{ cat "$REPO/tests/e2e/xorg-dummy.conf"; printf 'Section "Extensions"\n    Option "GLX" "Disable"\nEndSection\n'; } \
    >"$WORK/xorg-noglx.conf"
start_private_x "$WORK/xorg-noglx.conf"
xdpyinfo 2>/dev/null | grep -q GLX && fail "the private server still has GLX"

dir=$(stuff_without $(cd "$REPO/stuff" && ls *.tga))
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$WORK/sound.raw
watch_screen_sizes
start_show "$dir"
warning=$(wait_box "OpenGL Demo") || fail "no warning box; stderr: $(cat "$WORK/stderr")"
close_box "$warning"
box=$(wait_box Kelvora) || fail "no box after the warning; stderr: $(cat "$WORK/stderr")"
mode_at_box=$(current_mode)
windows_named Kelvora | grep -q ' 640x480$' && fail "a show window exists after all"
close_box "$box"
pass_startup_boxes && fail "a show window appeared after the box"
[ -s "$WORK/boxes" ] && fail "boxes after the first one captioned Kelvora: [$(paste -sd '|' "$WORK/boxes")]; the show started without a window"
[ "$mode_at_box" = "$DESKTOP_MODE" ] || fail "screen is $mode_at_box at the box, expected $DESKTOP_MODE"
sizes=$(screen_sizes_seen | tr '\n' ' ')
[[ "$sizes" == *"640x480 $DESKTOP_MODE " ]] || fail "screen sizes were [$sizes], expected the switch and the way back"
pass "warning, then \"Could not create window!\" alone, with the desktop's mode back (sizes: $sizes)"
wait_exit 5 || fail "the show did not end after the box"
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS, expected 0"
# The disk driver writes from the moment a sound device opens.
[ ! -e "$WORK/sound.raw" ] || [ -z "$(tr -d '\0' <"$WORK/sound.raw" | head -c 1)" ] ||
    fail "the music played ($(stat -c %s "$WORK/sound.raw") bytes of sound)"
pass "no music, ended with status 0"
