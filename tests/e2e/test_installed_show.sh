# cmake --install into a temporary prefix; the installed program, started from
# a folder whose stuff/ is not the show's (a user's own), finds its files
# beside itself: no box about them, frames, Esc as usual. Without the
# installed folder, the box about missing files comes up, and the module's
# text names both places looked in.
. "$(dirname "$0")/lib.sh"
need_display

BUILD_DIR=$(dirname "$KELVORA")
PREFIX=$WORK/prefix
cmake --install "$BUILD_DIR" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 ||
    fail "cmake --install failed: $(tail -n 5 "$WORK/install.log")"
for file in bin/kelvora share/kelvora/stuff/kelvora.mp3 share/kelvora/stuff/frase10.tga \
    share/applications/kelvora.desktop share/icons/hicolor/256x256/apps/kelvora.png \
    share/man/man6/kelvora.6.gz; do
    [ -s "$PREFIX/$file" ] || fail "the install has no $file"
done
pass "installed into a temporary prefix: $(find "$PREFIX" -type f | wc -l) files"

KELVORA=$PREFIX/bin/kelvora
"$KELVORA" --help | grep -qxF "$PREFIX/share/kelvora/stuff" ||
    fail "--help does not name the installed folder $PREFIX/share/kelvora/stuff"
mkdir -p "$WORK/elsewhere/stuff"
echo "the user's own" >"$WORK/elsewhere/stuff/notes.txt"
start_show "$WORK/elsewhere"
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
expect_boxes "OpenGL Demo"
assert_frames_drawn
end_with_esc

rm -rf "$PREFIX/share/kelvora/stuff"
start_show "$WORK/elsewhere"
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
expect_boxes "OpenGL Demo" Kelvora
end_with_esc
# The module tells on standard error what the show tells in its box.
xev -geometry 320x240 -name kelvora-host >/dev/null 2>&1 &
HOST_PID=$!
trap 'cleanup; kill "$HOST_PID" 2>/dev/null' EXIT
wait_until_prints yes 10 sh -c 'xwininfo -name kelvora-host >/dev/null 2>&1 && echo yes' || fail "no window to draw into"
host=$(xwininfo -name kelvora-host | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
(cd "$WORK/elsewhere" && exec "$PREFIX/libexec/xscreensaver/kelvora" --window-id "$host" 2>"$WORK/saver.err") &
SHOW_PID=$!
wait_until_prints yes 20 sh -c "grep -q frase10 '$WORK/saver.err' && echo yes"
for place in "$WORK/elsewhere" "$PREFIX/share/kelvora/stuff" "stuff/frase10.tga: no such file"; do
    grep -qF "$place" "$WORK/saver.err" || fail "the module's text does not name $place: $(cat "$WORK/saver.err")"
done
pass "without the installed folder, the module's text names both places looked in"
