# Up, held for 2 s at 10 frames a second with the X server's key repeat on,
# nudges the eye while it is held and not a frame longer, however many
# repeats still wait in the queue at the release: two frames during the hold
# differ from those of a run without keys, frames 60 and 61 do not (taking
# the repeats one a pass moved the eye until about frame 75). Frames are
# compared by number, whatever the timing.
. "$(dirname "$0")/lib.sh"
need_display

# Folder, then how long Up is held after frame 8 (0: not pressed).
frames_of() {
    mkdir -p "$1"
    SHOW_OPTIONS="--window --seed 7 --fps 10"
    export KELVORA_SWAP_SNAPSHOTS="$(seq -s ' ' 8 40) 60 61" KELVORA_SWAP_SNAPSHOT_DIR=$1 KELVORA_SWAP_COUNT_EVERY=1
    start_counted_show
    local window i
    window=$(wait_show_window) || fail "no window; stderr: $(cat "$WORK/stderr")"
    for ((i = 0; i < 300; i++)); do [ -f "$1/frame8.ppm" ] && break; sleep 0.1; done
    if [ "$2" != 0 ]; then
        xdotool windowfocus "$window" 2>/dev/null
        xdotool keydown Up
        PRESSED=$(frames_drawn)
        sleep "$2"
        xdotool keyup Up
        RELEASED=$(frames_drawn)
    fi
    for ((i = 0; i < 300; i++)); do [ -f "$1/frame61.ppm" ] && break; sleep 0.1; done
    [ -f "$1/frame61.ppm" ] || fail "frame 61 not reached ($(frames_drawn) frames)"
    end_with_esc
}

frames_of "$WORK/still" 0
frames_of "$WORK/held" 2
((RELEASED > PRESSED + 4 && RELEASED < 38)) || fail "Up held from frame $PRESSED to $RELEASED: too short or too late to tell"
for n in $((PRESSED + 2)) $((PRESSED + 3)); do
    cmp -s "$WORK/still/frame$n.ppm" "$WORK/held/frame$n.ppm" && fail "frame $n: Up held, and the eye did not move"
done
for n in 60 61; do
    cmp -s "$WORK/still/frame$n.ppm" "$WORK/held/frame$n.ppm" ||
        fail "frame $n: the eye still moved $((n - RELEASED)) frames after Up was released at frame $RELEASED"
done
pass "Up held from frame $PRESSED to $RELEASED: frames $((PRESSED + 2)) and $((PRESSED + 3)) moved, frames 60 and 61 as without it"
