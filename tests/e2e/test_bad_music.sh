# Music that cannot play (a file of noise, a track cut short, a named pipe
# nobody writes to, no audio device): silence, no box, and the show runs until
# Esc.
. "$(dirname "$0")/lib.sh"
need_display

for case in noise cut fifo no-device; do
    dir=$(stuff_without)
    case $case in
        noise) head -c 65536 /dev/urandom >"$dir/stuff/kelvora.mp3" ;;
        cut) head -c 3000 "$REPO/stuff/kelvora.mp3" >"$dir/stuff/kelvora.mp3" ;;
        fifo) rm "$dir/stuff/kelvora.mp3" && mkfifo "$dir/stuff/kelvora.mp3" ;;
    esac
    if [ $case = no-device ]; then
        SDL_AUDIODRIVER=no-such-driver start_show "$dir"
    else
        # A device that always opens, so that the file is always read.
        SDL_AUDIODRIVER=dummy start_show "$dir"
    fi
    pass_startup_boxes || fail "$case: the show's window did not appear; stderr: $(cat "$WORK/stderr")"
    expect_boxes "OpenGL Demo"
    assert_frames_drawn
    end_with_esc
    pass "$case"
done
