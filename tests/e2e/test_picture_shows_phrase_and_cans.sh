# The running show's picture: one of the ten phrase images fills the screen
# one texel per pixel, and cans stand over it.
. "$(dirname "$0")/lib.sh"
need_display
phrase_images 640x480

start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"

# Outside the fades most of the screen is the phrase image itself; the rest is
# cans and the path line. Several tries, since a shot may fall into a fade.
best_report=
for try in $(seq 1 12); do
    sleep 0.8
    screenshot "$WORK/shot.png"
    phrase_share "$WORK/shot.png"
    if ((SHARE >= 55 && SHARE <= 99)); then
        keep_picture "$WORK/shot.png" picture.png
        pass "shot $try: phrase $PHRASE covers $SHARE% of the screen, cans and line the other $((100 - SHARE))% ($KEPT)"
        end_with_esc
        exit 0
    fi
    best_report="$best_report shot $try phrase $PHRASE: $SHARE%;"
done
fail "no screenshot showed a phrase image with cans over it:$best_report"
