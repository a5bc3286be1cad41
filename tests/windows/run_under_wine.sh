#!/usr/bin/env bash
# The Windows build under Wine, on the X server in $DISPLAY: the unit tests on
# the fake and those of the Win32 backend, then the real program end to end,
# through the Linux build's end-to-end scripts where they apply and tests of
# its own: the music, the command line and the screensaver (kelvora.scr).
# One fresh Wine prefix serves them all: Wine's first start is its slowest.
# Usage: run_under_wine.sh BUILD [ONLY]  (BUILD made with
# cmake/mingw-w64-x86_64.cmake; ONLY, a grep pattern, picks the tests by name:
# unit_tests, win32_tests and the scripts' names)
set -u
BUILD=$(readlink -f "${1:?usage: run_under_wine.sh path/to/build-windows [ONLY]}")
ONLY=${2:-.}
wanted() { grep -q -- "$ONLY" <<<"$1"; }
REPO=$(cd "$(dirname "$0")/../.." && pwd)
PREFIX_ROOT=$(mktemp -d /tmp/kelvora-wine.XXXXXX)
export WINEPREFIX=$PREFIX_ROOT/prefix WINEDEBUG=-all
# No .NET or HTML engine to offer: the show uses neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
stop_wine() { wineserver -k 2>/dev/null; rm -rf "$PREFIX_ROOT"; }
trap stop_wine EXIT

echo "Windows build: a fresh Wine prefix"
wineboot -i >/dev/null 2>&1 || { echo "FAIL: wineboot could not make a prefix"; exit 1; }
wineserver -p  # kept up between the tests' programs until the end

status=0
if wanted unit_tests; then
    echo "Windows build: unit tests under Wine"
    (cd "$REPO" && wine "$BUILD/tests/kelvora_unit_tests.exe" --gtest_brief=1) || status=1
fi
if wanted win32_tests; then
    echo "Windows build: the Win32 backend under Wine"
    wine "$BUILD/tests/kelvora_win32_tests.exe" --gtest_brief=1 || status=1
fi

run() {  # test script, then its arguments
    local script=$1 name result
    name=$(basename "$script" .sh)
    shift
    wanted "$name" || return 0
    echo "Windows build: $name"
    SHOW_WRAPPER=wine bash "$script" "$@"
    result=$?
    # scripts/test collects these lines: a skip is never silent.
    [ $result = 77 ] && { echo "Skipped under Wine: $name"; return 0; }
    [ $result = 0 ] || status=1
}
for name in show_runs_and_ends_with_esc picture_shows_phrase_and_cans alt_f4_runs_the_teardown \
    no_stuff_folder; do
    run "$REPO/tests/e2e/test_$name.sh" "$BUILD/kelvora.exe"
done
run "$REPO/tests/windows/test_music_plays_under_wine.sh" "$BUILD/kelvora.exe"
run "$REPO/tests/windows/test_command_line_under_wine.sh" "$BUILD/kelvora.exe"
run "$REPO/tests/windows/test_saver_under_wine.sh" "$BUILD/kelvora.scr"
# Last: the desktop process it leaves behind keeps 640 x 480 as the desktop's mode for a while.
run "$REPO/tests/windows/test_desktop_mode_back_under_wine.sh" "$BUILD/kelvora.exe"
exit $status
