# The screensaver module under the real xscreensaver, run as an ordinary user
# (xscreensaver launches nothing as root): the picture fills the screen and
# follows xrandr, the frame rate stays under its cap, no window of the
# module's own appears, a key ends it with status 0 and nothing left running
# (no D-Bus daemon); the settings' preview draws into its pane, silently, and
# the module ends quietly when that pane is killed under it.
. "$(dirname "$0")/lib.sh"
need_display
for tool in xscreensaver xscreensaver-command xscreensaver-settings setpriv; do
    command -v $tool >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
SAVER=$(dirname "$KELVORA")/kelvora-saver
[ -x "$SAVER" ] || fail "no module at $SAVER"
[ -f "$SWAP_COUNTER" ] || fail "no frame counter at $SWAP_COUNTER"
[ "$DESKTOP_MODE" = 1024x768 ] || { echo "SKIP: the screen is $DESKTOP_MODE, not 1024x768"; exit 77; }

# Everything the user runs lies in a folder of ours that any user can read, so
# that it does not matter where the repository is.
AS_USER=()
RUN_UID=$(id -u)
if [ "$RUN_UID" = 0 ]; then
    RUN_UID=65534
    AS_USER=(setpriv --reuid=$RUN_UID --regid=$RUN_UID --clear-groups)
fi
chmod 755 "$WORK"
MODULE=$WORK/module
mkdir -p "$MODULE" "$WORK/run"
cp "$SAVER" "$SWAP_COUNTER" "$MODULE/"
cp -r "$REPO/stuff" "$WORK/run/"
SNAPSHOT_AT=$(seq -s ' ' 5 5 20000)
cat >"$MODULE/run-module" <<EOF
#!/bin/bash
# Runs the module as xscreensaver asks, counting its frames and keeping a
# frame now and then, and records how it ended in the folder given first.
out=\$1
shift
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=\$out/sound.raw \\
    LD_PRELOAD=$MODULE/$(basename "$SWAP_COUNTER") KELVORA_SWAP_COUNT_FILE=\$out/frames \\
    KELVORA_SWAP_COUNT_EVERY=5 KELVORA_SWAP_SNAPSHOT_DIR=\$out KELVORA_SWAP_SNAPSHOTS="$SNAPSHOT_AT" \\
    $MODULE/kelvora-saver "\$@" 2>>\$out/stderr &
child=\$!
echo \$child >\$out/pid
trap 'kill -TERM \$child 2>/dev/null' TERM
while kill -0 \$child 2>/dev/null; do wait \$child; status=\$?; done
echo \$status >\$out/status
EOF
chmod -R a+rX "$WORK"
chmod 755 "$MODULE/run-module"
"${AS_USER[@]}" test -x "$MODULE/kelvora-saver" -a -r "$WORK/run/stuff/texb.tga" ||
    fail "the module or its pictures cannot be read by the user who runs xscreensaver"

XS_PID= SETTINGS_PID=
stop_xscreensaver() {
    local pid
    for pid in $SETTINGS_PID $XS_PID; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    XS_PID= SETTINGS_PID=
}
trap 'stop_xscreensaver; cleanup' EXIT

# Starts xscreensaver for the user with the one module line $1 and folder $2
# for what the module leaves; no session bus, as on a bare X server.
start_xscreensaver() {
    HOME_DIR=$WORK/home
    rm -rf "$HOME_DIR" && mkdir -p "$HOME_DIR" "$2" && chmod 777 "$2"
    printf 'mode: one\nselected: 0\nlock: False\nsplash: False\nfade: False\nunfade: False\nprograms: %s \\n\n' \
        "$1" >"$HOME_DIR/.xscreensaver"
    chmod -R a+rwX "$HOME_DIR"
    [ "$(id -u)" = 0 ] && chown -R $RUN_UID:$RUN_UID "$HOME_DIR"
    (cd "$WORK/run" && exec "${AS_USER[@]}" env -i HOME="$HOME_DIR" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin \
        xscreensaver -no-splash >"$WORK/xscreensaver.log" 2>&1) &
    XS_PID=$!
    for ((i = 0; i < 50; i++)); do
        as_user_xscreensaver_command -version >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    fail "xscreensaver did not start: $(tail -n 3 "$WORK/xscreensaver.log")"
}
as_user_xscreensaver_command() { "${AS_USER[@]}" env HOME="$HOME_DIR" xscreensaver-command "$@"; }

# True when image $1 is $2 (WIDTHxHEIGHT), holds a picture (many colours) and
# no tile of a 4 x 4 grid is left black, as an empty window is.
picture_fills() {
    [ "$(identify -format '%wx%h' "$1" 2>/dev/null)" = "$2" ] && [ "$(colour_count "$1")" -gt 500 ] &&
        convert "$1" -crop 4x4@ +repage -format '%[fx:maxima]\n' info: 2>/dev/null |
        awk '$1 < 0.05 {black = 1} END {exit black}'
}
# The size of the newest frame the module kept after file $1/mark: its
# viewport as drawn. Older frames are removed.
newest_frame_size() {
    local frame
    frame=$(ls -t "$1"/frame*.ppm 2>/dev/null | head -n 1)
    [ -n "$frame" ] || return
    find "$1" -name 'frame*.ppm' ! -name "$(basename "$frame")" -delete
    [ "$frame" -nt "$1/mark" ] && head -c 20 "$frame" | sed -n 2p | tr ' ' x
}
# Fails unless within $3 s window $2 ("root" for the screen) shows the picture
# at size $4 and the module draws frames of that size; $1 is the row's folder.
expect_picture() {
    local out=$1 window=$2 limit=$3 size=$4 started=$SECONDS
    touch "$out/mark"
    while ((SECONDS - started < limit)); do
        sleep 0.5
        [ "$(newest_frame_size "$out")" = "$size" ] || continue
        import -window "$window" "$WORK/shot.png" 2>/dev/null
        picture_fills "$WORK/shot.png" "$size" &&
            { pass "$ROW: the picture fills $size ($window) after $((SECONDS - started)) s"; return 0; }
    done
    fail "$ROW: $window does not show the picture at $size within $limit s; frames drawn at $(newest_frame_size "$out"); stderr: $(cat "$out/stderr" 2>/dev/null)"
}
# Processes of this run still there: their environment names our folder
# (a bus daemon started on the module's behalf inherits it).
leftovers() {
    local pid
    for pid in $(pgrep -u $RUN_UID); do
        { grep -qaF "$WORK" "/proc/$pid/environ"; } 2>/dev/null || continue
        case $(cat "/proc/$pid/comm" 2>/dev/null) in xscreensaver*) ;; *) cat "/proc/$pid/comm";; esac
    done | sort -u | paste -sd ' '
}
# Fails unless the module of row folder $1 ends with status 0 within 3 s and
# nothing of it is left.
expect_quiet_end() {
    local out=$1 how=$2
    wait_until_prints 0 3 cat "$out/status" 2>/dev/null || fail "$ROW: after $how the module's status is '${SEEN:-none yet}', expected 0"
    wait_until_prints "" 3 leftovers || fail "$ROW: left running after $how: $SEEN"
    pass "$ROW: $how ends it with status 0, nothing left running"
}

# xscreensaver ends a module the same way whatever the user did: a key stands
# for all. The module runs at a --delay of 10 frames a second.
ROW="full screen"
out=$WORK/out-full-screen
start_xscreensaver "GL: $MODULE/run-module $out --root --delay 100000" "$out"
as_user_xscreensaver_command -activate >/dev/null
expect_picture "$out" root 60 1024x768

# xscreensaver's window, never one of the module's own (SDL names its windows
# with the process).
pid=$(cat "$out/pid")
own=$(xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p' | while read -r id; do
    xprop -id "$id" _NET_WM_PID 2>/dev/null | grep -qx "_NET_WM_PID(CARDINAL) = $pid" && echo "$id"
done)
[ -z "$own" ] || fail "$ROW: the module made windows of its own: $own"
pass "$ROW: no window of the module's own"

before=$(cat "$out/frames")
sleep 5
rate=$(( ($(cat "$out/frames") - before) / 5 ))
[ "$rate" -gt 0 ] && [ "$rate" -le 11 ] || fail "$ROW: $rate frames a second, expected 1 to 10"
pass "$ROW: $rate frames a second (--delay 100000)"

xrandr -s 640x480
expect_picture "$out" root 30 640x480
xrandr -s 1024x768
expect_picture "$out" root 30 1024x768
xdotool key shift
expect_quiet_end "$out" "a key"
stop_xscreensaver

# The settings' preview: xscreensaver-settings runs the selected module with
# --window-id in its pane, silent even when the module's line asks for music.
# Killed outright, it takes the pane with it.
ROW=preview
out=$WORK/out-preview
start_xscreensaver "GL: $MODULE/run-module $out --root --music" "$out"
(cd "$WORK/run" && exec "${AS_USER[@]}" env -i HOME="$HOME_DIR" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin \
    DBUS_SESSION_BUS_ADDRESS=disabled: xscreensaver-settings >"$WORK/settings.log" 2>&1) &
SETTINGS_PID=$!
wait_until_prints yes 20 sh -c "[ -s '$out/pid' ] && echo yes" || fail "preview: the settings did not start the module"
pane=$(tr '\0' '\n' <"/proc/$(cat "$out/pid")/cmdline" | sed -n '/^--window-id$/{n;p}')
[ -n "$pane" ] || fail "preview: no --window-id among $(tr '\0' ' ' <"/proc/$(cat "$out/pid")/cmdline")"
size=$(xwininfo -id "$pane" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}')
expect_picture "$out" "$pane" 60 "$size"
[ ! -s "$out/sound.raw" ] || fail "preview: $(stat -c %s "$out/sound.raw") bytes of sound, expected none"
pass "preview: silent with --music"
kill -KILL "$SETTINGS_PID" 2>/dev/null
expect_quiet_end "$out" "killing the settings under it"
[ ! -s "$out/stderr" ] || fail "preview: the module said: $(cat "$out/stderr")"
pass "preview: nothing on standard error"
