# --help and --version answer on standard output with status 0; a mistake on
# the command line gets one line naming it and the usage on standard error,
# status 2, and nothing on the screen.
. "$(dirname "$0")/lib.sh"
need_display

"$KELVORA" --help >"$WORK/out" 2>"$WORK/err"; status=$?
[ "$status" = 0 ] && [ ! -s "$WORK/err" ] || fail "--help: status $status, stderr: $(cat "$WORK/err")"
for word in --window --seed --fps --help --version Esc F1 stuff; do
    grep -q -- "$word" "$WORK/out" || fail "--help does not mention $word"
done
pass "--help: $(wc -l <"$WORK/out") lines on stdout, status 0"

"$KELVORA" --version >"$WORK/out" 2>"$WORK/err"; status=$?
version=$(sed -n 's/^project(kelvora VERSION \([0-9.]*\).*/\1/p' "$REPO/CMakeLists.txt")
[ "$status" = 0 ] && [ "$(cat "$WORK/out")" = "kelvora $version" ] ||
    fail "--version: status $status, printed '$(cat "$WORK/out")', expected 'kelvora $version'"
pass "--version: $(cat "$WORK/out")"

# Any window made on the screen shows up as a CreateNotify on the root.
for mistake in --fullscreen "--seed banana" "--fps 0.5" -q extra; do
    xev -root -event substructure >"$WORK/xev" 2>/dev/null &
    xev_pid=$!
    sleep 0.3
    (cd "$WORK" && exec "$KELVORA" $mistake >"$WORK/out" 2>"$WORK/err"); status=$?
    sleep 0.5
    kill "$xev_pid"; wait "$xev_pid" 2>/dev/null
    [ "$status" = 2 ] || fail "'$mistake': status $status, expected 2"
    [ ! -s "$WORK/out" ] || fail "'$mistake': printed on stdout: $(cat "$WORK/out")"
    first=$(head -n 1 "$WORK/err")
    named=${mistake##* }
    grep -qF -- "${named##*-}" <<<"$first" && grep -q '^Usage: kelvora' "$WORK/err" ||
        fail "'$mistake': stderr does not name it and show the usage: $(cat "$WORK/err")"
    grep -q CreateNotify "$WORK/xev" && fail "'$mistake': a window was made on the screen"
    [ "$(current_mode)" = "$DESKTOP_MODE" ] || fail "'$mistake': the screen is $(current_mode)"
    pass "'$mistake': status 2, \"$first\", nothing on the screen"
done
