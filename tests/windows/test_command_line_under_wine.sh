# kelvora.exe's command line under Wine: --version answers on standard
# output; a stray argument (a file dropped on the icon) is named in a box,
# since nobody reads standard error there, then status 2.
. "$(dirname "$0")/../e2e/lib.sh"
need_display
SHOW_WRAPPER=wine
PROBE=$(dirname "$KELVORA")/tests/saver_probe.exe
[ -f "$PROBE" ] || fail "no probe at $PROBE"

wine "$KELVORA" --version >"$WORK/out" 2>"$WORK/err"; status=$?
version=$(sed -n 's/^project(kelvora VERSION \([0-9.]*\).*/\1/p' "$REPO/CMakeLists.txt")
[ "$status" = 0 ] && [ "$(tr -d '\r' <"$WORK/out")" = "kelvora $version" ] ||
    fail "--version: status $status, printed '$(cat "$WORK/out")', expected 'kelvora $version'"
pass "--version: $(cat "$WORK/out")"

SHOW_OPTIONS='C:\dropped.txt'
start_show
shown=$(wine "$PROBE" box Kelvora | tr -d '\r' | paste -sd '|')
wait_exit 10 || fail "a stray argument: still running 10 s after its box"
[ "$EXIT_STATUS" = 2 ] || fail "a stray argument: status $EXIT_STATUS, expected 2"
grep -qF "unexpected argument 'C:\\dropped.txt'" <<<"$shown" && grep -q 'Usage: kelvora' <<<"$shown" ||
    fail "a stray argument: the box says '$shown', expected it named and the usage"
pass "a stray argument: a box ($shown), status 2"
