# --window: no warning box and no switch of the screen; a decorated window
# (under a real window manager, openbox) that can be moved and resized, the
# picture following the new size; then Esc and the closing box as usual.
. "$(dirname "$0")/lib.sh"
need_display
command -v openbox >/dev/null || { echo "SKIP: no openbox to decorate windows"; exit 77; }

openbox --sm-disable >/dev/null 2>&1 &
WM_PID=$!
trap 'cleanup; kill "$WM_PID" 2>/dev/null; wait "$WM_PID" 2>/dev/null' EXIT
for ((i = 0; i < 50; i++)); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
    sleep 0.2
done

watch_screen_sizes
SHOW_OPTIONS=--window
start_counted_show
id=$(wait_show_window) || fail "no 640x480 window named Kelvora; stderr: $(cat "$WORK/stderr")"
[ -z "$(windows_named "OpenGL Demo")" ] || fail "a warning box came up"
[ -z "$(windows_named Kelvora | grep -v "^$id ")" ] || fail "a box came up beside the window"

extents=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.* = //p')
top=$(cut -d, -f3 <<<"$extents" | tr -d ' ')
[ "${top:-0}" -gt 0 ] || fail "the window manager gave no title bar: frame extents '$extents'"
pass "decorated: frame extents (left, right, top, bottom) $extents"

xdotool windowmove "$id" 20 30
sleep 0.5
xwininfo -id "$id" | grep -q "Absolute upper-left X:  *$((20 + $(cut -d, -f1 <<<"$extents")))" ||
    fail "the window did not move: $(xwininfo -id "$id" | grep Absolute)"
pass "moved"

# The counter is written every 50 frames; a loaded machine may be slow.
wait_more_frames() {
    local before=$(frames_drawn) i
    for ((i = 0; i < 150; i++)); do
        [ "$(frames_drawn)" -gt "$before" ] && return 0
        sleep 0.2
    done
    return 1
}
wait_more_frames || fail "no frames drawn"
xdotool windowsize "$id" 800 600
wait_more_frames || fail "no frames drawn after the resize"
# The part beyond the first 640 x 480 is picture too, not left-over black.
import -window "$id" "$WORK/resized.png" 2>/dev/null
convert "$WORK/resized.png" -crop 160x600+640+0 +repage "$WORK/strip.png"
[ "$(colour_count "$WORK/strip.png")" -gt 20 ] ||
    fail "the area the resize added holds $(colour_count "$WORK/strip.png") colours: the picture did not follow"
pass "resized to 800x600: the picture fills it ($(frames_drawn) frames so far)"

xdotool windowsize "$id" 640 480
sleep 0.5
end_with_esc
sizes=$(screen_sizes_seen)
[ -z "$sizes" ] || fail "the screen changed size: $sizes"
pass "xrandr saw no switch"

# At one frame a second, Esc still ends the show at once: the wait for the
# next frame ends on a key. Pressed just after a frame, when a plain sleep
# would keep it waiting most of a second.
SHOW_OPTIONS="--window --fps 1"
KELVORA_SWAP_COUNT_EVERY=1 start_counted_show
id=$(wait_show_window) || fail "--fps 1: no window; stderr: $(cat "$WORK/stderr")"
xdotool windowfocus "$id" 2>/dev/null
frames=$(frames_drawn)
for ((i = 0; i < 300; i++)); do [ "$(frames_drawn)" = "$frames" ] || break; sleep 0.01; done
xdotool key Escape
pressed=$(date +%s%N)
wait_unmapped "$id" 5
took=$((($(date +%s%N) - pressed) / 1000000))
((took <= 500)) || fail "--fps 1: the window went ${took} ms after Esc, expected 500 at most"
close_box "$(wait_box Kelvora 10)"
wait_exit 5 && [ "$EXIT_STATUS" = 0 ] || fail "--fps 1: no end with status 0 after the closing box"
pass "--fps 1: Esc, pressed just after a frame, took the window away after $took ms"
