# The running show's picture: one of the ten phrase images fills the screen
# one texel per pixel, and cans stand over it.
. "$(dirname "$0")/lib.sh"
need_display

for i in $(seq 1 10); do
    convert "$REPO/stuff/frase$i.tga" -crop 640x480+0+0 +repage "$WORK/frase$i.png" ||
        fail "cannot read stuff/frase$i.tga"
done

start_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"

# Outside the fades most of the screen is the phrase image itself; the rest is
# cans and the path line. Several tries, since a shot may fall into a fade.
best_report=
for try in $(seq 1 12); do
    sleep 0.8
    screenshot "$WORK/shot.png"
    for i in $(seq 1 10); do
        differing=$(compare -metric AE -fuzz 6% "$WORK/shot.png" "$WORK/frase$i.png" null: 2>&1)
        differing=${differing%%.*}
        share=$((100 - differing * 100 / (640 * 480)))
        if [ "$share" -ge 55 ] && [ "$share" -le 99 ]; then
            pass "shot $try: phrase $i covers $share% of the screen, cans and line the other $((100 - share))%"
            cp "$WORK/shot.png" /tmp/kelvora-e2e-picture.png 2>/dev/null
            end_with_esc
            exit 0
        fi
        best_report="$best_report shot $try phrase $i: $share%;"
    done
done
fail "no screenshot showed a phrase image with cans over it:$best_report"
