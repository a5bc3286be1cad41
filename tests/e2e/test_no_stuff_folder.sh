# Started from a folder without stuff/: one box captioned Kelvora lists the
# pictures (their sides stay blank), the music stays silent without a box, and
# the show runs until Esc. The pictures' box comes while the window is being
# made, which must not be seen before the show shows it.
. "$(dirname "$0")/lib.sh"
need_display
mkdir "$WORK/empty"
start_show "$WORK/empty"
warning=$(wait_box "OpenGL Demo") || fail "no warning box; stderr: $(cat "$WORK/stderr")"
close_box "$warning"
wait_box Kelvora >/dev/null || fail "no pictures' box; stderr: $(cat "$WORK/stderr")"
windows_named Kelvora | grep -q ' 640x480$' && fail "the show's window is visible behind the pictures' box"
pass "the pictures' box stands alone"
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
expect_boxes Kelvora
assert_frames_drawn
end_with_esc
