# As root: the Debian package that cpack builds from this build has its
# dependencies computed from the binary and no lintian errors; it installs,
# plays from /tmp, and dpkg -r leaves nothing of it behind.
. "$(dirname "$0")/lib.sh"
need_display
[ "$(id -u)" = 0 ] || { echo "SKIP: installing a package needs root"; exit 77; }
# One package test at a time on a machine: another one's install is not ours.
exec 9>/var/lock/kelvora-package-test.lock
flock -w 600 9 || fail "another package test has held the lock for 10 minutes"
if dpkg-query -W -f='${Status}' kelvora 2>/dev/null | grep -q 'ok installed' || [ -e /usr/bin/kelvora ]; then
    echo "SKIP: a kelvora is installed on this machine already; this test would remove it"
    exit 77
fi

BUILD_DIR=$(dirname "$KELVORA")
(cd "$WORK" && cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$WORK/pkg") >"$WORK/cpack.log" 2>&1 ||
    fail "cpack failed: $(tail -n 5 "$WORK/cpack.log")"
deb=$(ls "$WORK"/pkg/kelvora_*_amd64.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no kelvora_<version>_amd64.deb in $WORK/pkg"
depends=$(dpkg-deb --field "$deb" Depends)
for library in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libgl1 libxrandr2; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
pass "$(basename "$deb"), Depends: $depends"
if command -v lintian >/dev/null; then
    lintian --fail-on error --allow-root "$deb" >"$WORK/lintian.log" 2>&1 ||
        fail "lintian: $(cat "$WORK/lintian.log")"
    pass "lintian: no errors"
fi

# dpkg waits for nobody: retry while another installation holds its lock.
dpkg_retry() {
    local i
    for ((i = 0; i < 30; i++)); do
        dpkg "$@" >"$WORK/dpkg.log" 2>&1 && return 0
        grep -q 'lock' "$WORK/dpkg.log" || break
        sleep 2
    done
    fail "dpkg $*: $(tail -n 3 "$WORK/dpkg.log")"
}
trap 'cleanup; dpkg -r kelvora >/dev/null 2>&1' EXIT
dpkg_retry -i "$deb"
files=$(dpkg -L kelvora)
pass "installed: $(wc -l <<<"$files") paths"

KELVORA=/usr/bin/kelvora
start_show /tmp
pass_startup_boxes || fail "the installed show's window did not appear; stderr: $(cat "$WORK/stderr")"
expect_boxes "OpenGL Demo"
assert_frames_drawn
end_with_esc

# The screensaver module where xscreensaver looks for it, with its
# description; from there it finds the installed pictures, and it ends at
# once with status 0 when told to.
for path in /usr/libexec/xscreensaver/kelvora /usr/share/xscreensaver/config/kelvora.xml; do
    grep -qx "$path" <<<"$files" || fail "the package lacks $path"
done
xev -geometry 320x240 -name kelvora-host >/dev/null 2>&1 &
HOST_PID=$!
trap 'cleanup; kill "$HOST_PID" 2>/dev/null; dpkg -r kelvora >/dev/null 2>&1' EXIT
wait_until_prints yes 10 sh -c 'xwininfo -name kelvora-host >/dev/null 2>&1 && echo yes' || fail "no window to draw into"
host=$(xwininfo -name kelvora-host | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
(cd /tmp && exec /usr/libexec/xscreensaver/kelvora --window-id "$host" 2>"$WORK/saver.err") &
SHOW_PID=$!
drawn() { import -window "$host" "$WORK/host.png" 2>/dev/null && [ "$(colour_count "$WORK/host.png")" -gt 500 ] && echo yes; }
wait_until_prints yes 30 drawn || fail "the installed module drew nothing into $host; it said: $(cat "$WORK/saver.err")"
kill -TERM "$SHOW_PID"
wait_exit 5 || fail "the installed module did not end on SIGTERM"
kill "$HOST_PID"
[ "$EXIT_STATUS" = 0 ] && [ ! -s "$WORK/saver.err" ] ||
    fail "the installed module ended with status $EXIT_STATUS, saying: $(cat "$WORK/saver.err")"
pass "the installed screensaver module draws with the installed pictures and ends with status 0"

dpkg_retry -r kelvora
dpkg-query -W -f='${Status}' kelvora 2>/dev/null | grep -q 'ok installed' && fail "still installed after dpkg -r"
left=$(while read -r path; do
    if [ -d "$path" ]; then
        case $path in */kelvora|*/kelvora/*) echo "$path";; esac  # the package's own folders
    elif [ -e "$path" ]; then echo "$path"; fi
done <<<"$files")
[ -z "$left" ] || fail "left behind by dpkg -r: $left"
pass "dpkg -r removed all of it"
