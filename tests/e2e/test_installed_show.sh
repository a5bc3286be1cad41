# cmake --install into a temporary prefix; the installed program, started from
# a folder without stuff/, finds its files beside itself: no box about them,
# frames, Esc as usual. Without the installed folder, the box about missing
# files comes up, and the folder it names is the one the install made.
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
mkdir "$WORK/elsewhere"
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
