# Started from a folder without stuff/: one box captioned Kelvora lists the
# pictures (their sides stay blank), the music stays silent without a box, and
# the show runs until Esc.
. "$(dirname "$0")/lib.sh"
need_display
mkdir "$WORK/empty"
start_show "$WORK/empty"
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
expect_boxes "OpenGL Demo" Kelvora
assert_frames_drawn
end_with_esc
