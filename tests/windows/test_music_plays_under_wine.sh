# The music under Wine: Windows' own MP3 playback, heard through an ALSA
# configuration (in a home folder of the test's own) that writes Wine's sound
# output to a WAV file. Without the track the show runs silently, no box.
. "$(dirname "$0")/../e2e/lib.sh"
need_display
SHOW_WRAPPER=${SHOW_WRAPPER:-wine}
export XAUTHORITY=${XAUTHORITY:-$HOME/.Xauthority}
export HOME=$WORK/home
mkdir "$HOME"

# RMS of a WAV file still open for writing (its header says 0 samples), 0..1.
rms() { sox --ignore-length "$1" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}'; }

run_for_sound() {  # directory, sound file
    printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "%s"\n format "wav"\n}\n' \
        "$2" >"$HOME/.asoundrc"
    start_show "$1"
    pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
    sleep 3
    end_with_esc
}

run_for_sound "$REPO" "$WORK/with.wav"
[ -s "$WORK/with.wav" ] || fail "no sound was written at all"
level=$(rms "$WORK/with.wav")
awk -v l="${level:-0}" 'BEGIN {exit !(l > 0.05)}' || fail "sound RMS $level: the music does not play"
pass "music plays (RMS $level over $(stat -c %s "$WORK/with.wav") bytes)"

run_for_sound "$(stuff_without kelvora.mp3)" "$WORK/without.wav"
expect_boxes "OpenGL Demo"
[ ! -s "$WORK/without.wav" ] || awk -v l="$(rms "$WORK/without.wav")" 'BEGIN {exit !(l < 0.001)}' ||
    fail "sound RMS $(rms "$WORK/without.wav") without the track"
pass "without the track: no box, no sound"
