# Without any X display the show cannot show a box: it says why on standard
# error and ends with status 1.
KELVORA=$(readlink -f "${1:?}")
out=$(cd "$(dirname "$0")" && env -u DISPLAY -u WAYLAND_DISPLAY "$KELVORA" 2>&1 >/dev/null)
status=$?
[ "$status" = 1 ] || { echo "FAIL: exit status $status without a display, expected 1"; exit 1; }
echo "$out" | grep -qi "display" || { echo "FAIL: stderr does not mention the display: $out"; exit 1; }
echo "PASS: no display: status 1, message: $out"
