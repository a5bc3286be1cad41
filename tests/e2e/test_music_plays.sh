# The music plays while the show runs: the mixed sound that SDL's disk driver
# writes is loud, not silence. Without the track the show runs silently and
# shows no box about it.
. "$(dirname "$0")/lib.sh"
need_display

# RMS of 16-bit stereo samples in file $1, 0..1.
rms() { sox -t raw -r 44100 -e signed -b 16 -c 2 "$1" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}'; }

run_for_sound() {  # directory, sound file
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$2 start_show "$1"
    pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
    sleep 3
    end_with_esc
}

export SDL_AUDIODRIVER SDL_DISKAUDIOFILE
run_for_sound "$REPO" "$WORK/with.raw"
[ -s "$WORK/with.raw" ] || fail "no sound was written at all"
level=$(rms "$WORK/with.raw")
awk -v l="$level" 'BEGIN {exit !(l > 0.05)}' || fail "sound RMS $level: the music does not play"
pass "music plays (RMS $level over $(stat -c %s "$WORK/with.raw") bytes)"

# The same show without its track.
mkdir "$WORK/silent"
cp -r "$REPO/stuff" "$WORK/silent/"
rm "$WORK/silent/stuff/kelvora.mp3"
run_for_sound "$WORK/silent" "$WORK/without.raw"
expect_boxes "OpenGL Demo"
level=$(rms "$WORK/without.raw" 2>/dev/null)
[ ! -s "$WORK/without.raw" ] || awk -v l="${level:-0}" 'BEGIN {exit !(l < 0.001)}' ||
    fail "sound RMS $level without the track"
pass "without the track: no box, no sound"
