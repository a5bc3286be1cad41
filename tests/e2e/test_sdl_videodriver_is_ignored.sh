# A user's SDL_VIDEODRIVER does not take the show off X, where it switches the
# screen: with each value the window comes up on the X server, draws, and Esc
# ends the show with the desktop's mode back.
. "$(dirname "$0")/lib.sh"
need_display

for driver in offscreen dummy wayland; do
    SDL_VIDEODRIVER=$driver start_show
    pass_startup_boxes || fail "SDL_VIDEODRIVER=$driver: no window on X; stderr: $(cat "$WORK/stderr")"
    can_switch_mode && expect_mode 640x480 "SDL_VIDEODRIVER=$driver: while the show runs"
    assert_frames_drawn
    end_with_esc
    pass "SDL_VIDEODRIVER=$driver: the show ran on X"
done
