# Music that cannot play (a file of noise, a track cut short, a named pipe
# nobody writes to, no audio device, and the system's own sound, which is none
# on a machine without a sound card such as CI): silence, no box, no
# complaints from the sound system on stderr, and the show runs until Esc.
. "$(dirname "$0")/lib.sh"
need_display

for case in noise cut fifo no-device system-sound; do
    dir=$(stuff_without)
    case $case in
        noise) head -c 65536 /dev/urandom >"$dir/stuff/kelvora.mp3" ;;
        cut) head -c 3000 "$REPO/stuff/kelvora.mp3" >"$dir/stuff/kelvora.mp3" ;;
        fifo) rm "$dir/stuff/kelvora.mp3" && mkfifo "$dir/stuff/kelvora.mp3" ;;
    esac
    case $case in
        no-device) SDL_AUDIODRIVER=no-such-driver start_show "$dir" ;;
        system-sound) unset SDL_AUDIODRIVER && start_show "$dir" ;;  # the last case
        # A device that always opens, so that the file is always read.
        *) SDL_AUDIODRIVER=dummy start_show "$dir" ;;
    esac
    pass_startup_boxes || fail "$case: the show's window did not appear; stderr: $(cat "$WORK/stderr")"
    expect_boxes "OpenGL Demo"
    assert_frames_drawn
    end_with_esc
    grep -q '^ALSA lib' "$WORK/stderr" && fail "$case: ALSA's messages on stderr: $(head -n 3 "$WORK/stderr")"
    pass "$case"
done
