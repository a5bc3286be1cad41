# --seed: two runs with the same seed draw the same frames (scene, phrase,
# angles), a third with another seed does not. Frames are compared by their
# number, so the timing of the runs does not matter. The same comparison
# shows the arrows: Up, held for 2 s at 10 frames a second with the X
# server's key repeat on, nudges the eye while it is held and not a frame
# longer, however many repeats still wait in the queue at the release (taking
# them one a pass moved the eye for about 20 frames more): the frames just
# after the release are those of a run without keys.
. "$(dirname "$0")/lib.sh"
need_display

# Seed, folder, frame numbers; with a fourth argument, at 10 frames a second
# with Up held that many seconds from frame 8 (PRESSED and RELEASED: the
# frames then).
frames_of() {
    mkdir -p "$2"
    SHOW_OPTIONS="--window --seed $1${4:+ --fps 10}"
    export KELVORA_SWAP_SNAPSHOTS=$3 KELVORA_SWAP_SNAPSHOT_DIR=$2 KELVORA_SWAP_COUNT_EVERY=${4:+1}
    start_counted_show
    local window last=${3##* } i
    window=$(wait_show_window) || fail "seed $1: no window; stderr: $(cat "$WORK/stderr")"
    if [ -n "${4:-}" ]; then
        for ((i = 0; i < 300; i++)); do [ -f "$2/frame8.ppm" ] && break; sleep 0.1; done
        xdotool windowfocus "$window" 2>/dev/null
        xdotool keydown Up
        PRESSED=$(frames_drawn)
        sleep "$4"
        xdotool keyup Up
        RELEASED=$(frames_drawn)
    fi
    for ((i = 0; i < 600; i++)); do
        [ -f "$2/frame$last.ppm" ] && break
        sleep 0.2
    done
    [ -f "$2/frame$last.ppm" ] || fail "seed $1: frame $last not reached ($(frames_drawn) frames)"
    end_with_esc
}

# 120 is within the first scene, 320 within the second; run a's early frames
# are also those of a run without keys, whatever its cap.
EARLY=$(seq -s ' ' 8 44)
frames_of 7 "$WORK/a" "$EARLY 120 320"
frames_of 7 "$WORK/b" "120 320"
frames_of 8 "$WORK/c" "120"
for n in 120 320; do
    cmp -s "$WORK/a/frame$n.ppm" "$WORK/b/frame$n.ppm" ||
        fail "seed 7 drew frame $n differently on two runs ($(compare -metric AE "$WORK/a/frame$n.ppm" "$WORK/b/frame$n.ppm" null: 2>&1) pixels differ)"
    [ "$(colour_count "$WORK/a/frame$n.ppm")" -gt 20 ] || fail "frame $n is nearly blank"
done
pass "seed 7: frames 120 and 320 identical on two runs"
cmp -s "$WORK/a/frame120.ppm" "$WORK/c/frame120.ppm" && fail "seeds 7 and 8 drew the same frame 120"
pass "seed 8 draws another frame 120"

frames_of 7 "$WORK/held" "$EARLY" 2
((RELEASED > PRESSED + 4 && RELEASED < 38)) || fail "Up held from frame $PRESSED to $RELEASED: too short or too late to tell"
for n in $((PRESSED + 2)) $((PRESSED + 3)); do
    cmp -s "$WORK/a/frame$n.ppm" "$WORK/held/frame$n.ppm" && fail "frame $n: Up held, and the eye did not move"
done
# The frame being drawn at the release, and the next one when a repeat came
# since the last poll (which counts as a press), may still show the key.
for ((n = RELEASED + 3; n <= RELEASED + 6; n++)); do
    cmp -s "$WORK/a/frame$n.ppm" "$WORK/held/frame$n.ppm" ||
        fail "frame $n: the eye still moved $((n - RELEASED)) frames after Up was released at frame $RELEASED"
done
pass "Up held from frame $PRESSED to $RELEASED: frames $((PRESSED + 2)) and $((PRESSED + 3)) moved, $((RELEASED + 3)) to $((RELEASED + 6)) as without it"
