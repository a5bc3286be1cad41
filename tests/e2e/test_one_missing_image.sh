# One picture missing from stuff/: one box captioned Kelvora, then the show.
. "$(dirname "$0")/lib.sh"
need_display
start_show "$(stuff_without frase3.tga)"
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
expect_boxes "OpenGL Demo" Kelvora
assert_frames_drawn
end_with_esc
