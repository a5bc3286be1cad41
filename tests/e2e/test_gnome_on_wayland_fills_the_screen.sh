# GNOME on Wayland (mutter, headless, one 1024 x 768 monitor) with the show as
# an Xwayland client: no error box, the
# show's picture scaled over the whole monitor, F3 makes its cans denser, Esc
# then Return end it with status 0, boxes stand centred on the monitor, and
# every other program reads the desktop's mode throughout. After kill -9 the monitor shows
# the desktop again: the mode belonged to the show's connection alone.
# Frames come from mutter's screen cast, through PipeWire.
. "$(dirname "$0")/lib.sh"
MONITOR=1024x768

case ${KELVORA_DESKTOP_STAGE:-} in
'')
    for tool in mutter Xwayland pipewire wireplumber gst-launch-1.0 unshare dbus-run-session; do
        command -v $tool >/dev/null || { echo "SKIP: no $tool"; exit 77; }
    done
    /usr/bin/python3 -c 'from gi.repository import Gio' 2>/dev/null || { echo "SKIP: no python3-gi"; exit 77; }
    gst-inspect-1.0 pipewiresrc >/dev/null 2>&1 || { echo "SKIP: no PipeWire source for GStreamer"; exit 77; }
    # Xwayland's socket goes into /tmp/.X11-unix, which mutter wants sticky and
    # writable by all: a private one, in a mount namespace of the test's own
    # (a user namespace for an ordinary user), shared with no other X server.
    ns=(--mount)
    [ "$(id -u)" = 0 ] || ns+=(--map-root-user)
    unshare "${ns[@]}" true 2>/dev/null || { echo "SKIP: no mount namespace (unshare ${ns[*]})"; exit 77; }
    mkdir -m 700 "$WORK/runtime"
    KELVORA_DESKTOP_STAGE=session RESULT=$WORK/result XDG_RUNTIME_DIR=$WORK/runtime \
        unshare "${ns[@]}" bash "$0" "$KELVORA" 2>"$WORK/desktop.log"
    [ "$(cat "$WORK/result" 2>/dev/null)" = passed ] ||
        fail "the desktop's own messages: $(grep -v '^M ' "$WORK/desktop.log" | tail -n 25)"
    exit 0
    ;;
session)
    mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix || exit 1
    unset DISPLAY WAYLAND_DISPLAY
    # The boxes' accessibility bus would outlive the session.
    export NO_AT_BRIDGE=1
    KELVORA_DESKTOP_STAGE=desktop exec dbus-run-session -- bash "$0" "$KELVORA"
    ;;
desktop)
    pipewire >/dev/null 2>&1 &
    pids=$!
    # WirePlumber, which links the screen cast to its readers, gives up on a
    # PipeWire that is not listening yet.
    for ((i = 0; i < 50; i++)); do
        [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break
        sleep 0.1
    done
    wireplumber >/dev/null 2>&1 &
    pids="$pids $!"
    mutter --wayland --headless --virtual-monitor $MONITOR -- \
        env KELVORA_DESKTOP_STAGE=test bash "$0" "$KELVORA" 2>&1 >&3 | grep -v '^M ' >&2
    kill $pids
    exit 0
    ;;
esac 3>&1

# ---- On the desktop: DISPLAY names mutter's Xwayland ----
# The show as an Xwayland client, as it plays started without WAYLAND_DISPLAY
# or on a compositor with no seat (its native path has the rows of
# test_wayland_desktops_fill_the_screen.sh).
unset WAYLAND_DISPLAY
# The recording lasts as long as this shell holds its standard input.
exec 4> >(exec /usr/bin/python3 "$REPO/tests/e2e/screencast.py" >"$WORK/node" 2>"$WORK/cast.err")
# Frames of the monitor: $1 of them into $2-0.png, $2-1.png ...
capture() {
    local node i
    for ((i = 0; i < 50; i++)); do
        node=$(head -n 1 "$WORK/node")
        [ -n "$node" ] && break
        sleep 0.2
    done
    [ -n "$node" ] || fail "no screen cast: $(cat "$WORK/cast.err")"
    rm -f "$2"-*.png
    # A loaded machine may miss the stream's start: once more.
    for i in 1 2; do
        timeout 15 gst-launch-1.0 -q pipewiresrc path="$node" num-buffers="$1" ! videoconvert ! \
            pngenc snapshot=false ! multifilesink location="$2-%d.png" >/dev/null 2>&1
        [ -f "$2-0.png" ] && return 0
    done
    fail "no frame from the screen cast (node $node) for $2"
}
expect_desktop_mode() {
    [ "$(current_mode)" = $MONITOR ] || fail "$1: another client reads $(current_mode), expected $MONITOR"
}
phrase_images $MONITOR
capture 1 "$WORK/desktop"
cp "$WORK/desktop-0.png" "$WORK/desktop.png"

# Both shows play seed 7 and stop at given frames (the frame counter's hold
# file), so that they draw the same frame 100 whatever the machine's speed.
SHOW_OPTIONS="--seed 7"
export KELVORA_SWAP_COUNT_EVERY=1 KELVORA_SWAP_HOLD_FILE=$WORK/hold
hold_at() {
    echo "$1" >"$WORK/hold.new" && mv "$WORK/hold.new" "$WORK/hold"
    wait_until_prints "$1" 60 frames_drawn || fail "frame $1 not reached; the show drew $SEEN"
}
# SHARE and PHRASE for a shot $1 of the frame on the monitor (phrase $3 if
# given), taken again in case the cast has not caught up yet; fails unless it
# covers the monitor with at least $2 % of a phrase.
shot_of_frame() {
    local try
    for ((try = 0; try < 5; try++)); do
        capture 1 "$WORK/$1"
        phrase_share "$WORK/$1-0.png" "" ${3:-}
        ((SHARE >= $2)) && covered "$WORK/$1-0.png" && return 0
    done
    keep_picture "$WORK/$1-0.png" "gnome-$1.png"
    fail "$1: no shot showed a phrase over the whole monitor (phrase $PHRASE over $SHARE%; $KEPT)"
}
covered() {
    local corner
    for corner in 128x96+0+0 128x96+896+0 128x96+0+672 128x96+896+672; do
        convert "$1" -crop "$corner" +repage "$WORK/corner.png"
        convert "$WORK/desktop.png" -crop "$corner" +repage "$WORK/desktop-corner.png"
        [ "$(compare -metric AE -fuzz 10% "$WORK/corner.png" "$WORK/desktop-corner.png" null: 2>&1)" -gt 6000 ] ||
            return 1
    done
}

echo 100 >"$WORK/hold"
start_counted_show
box=$(wait_box "OpenGL Demo" 30) || fail "no warning box; stderr: $(cat "$WORK/stderr")"
expect_centred "$box" $MONITOR "the warning box"
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
[ "$(cat "$WORK/boxes")" = "OpenGL Demo" ] || fail "start-up boxes were [$(paste -sd '|' "$WORK/boxes")], expected the warning alone"
expect_desktop_mode "while the show runs"
pass "the warning box centred, then no other box; other clients read $MONITOR"

# The picture over the whole monitor: one phrase image scaled to it, cans over
# it; not the desktop in any corner.
hold_at 100
shot_of_frame frame100 40
keep_picture "$WORK/frame100-0.png" gnome-wayland.png
pass "the show fills the $MONITOR monitor: phrase $PHRASE over $SHARE%, cans over the rest ($KEPT)"
PLAIN_PHRASE=$PHRASE PLAIN_SHARE=$SHARE

rm "$WORK/hold"
press Escape || fail "no window to press Esc in"
box=$(wait_box Kelvora 10) || fail "no closing box after Esc"
expect_centred "$box" $MONITOR "the closing box"
expect_desktop_mode "at the closing box"
close_box "$box"
wait_exit 5 || fail "the show did not end after the closing box"
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS, expected 0"
pass "Esc: the closing box centred, then Return: status 0"

# F3 three times at frame 70 makes the cans denser: the same frame 100 shows
# less of the same phrase.
echo 70 >"$WORK/hold"
start_counted_show
pass_startup_boxes || fail "the second show's window did not appear; stderr: $(cat "$WORK/stderr")"
hold_at 70
for key in F3 F3 F3; do press $key || fail "no window to press F3 in"; done
hold_at 100
shot_of_frame frame100-f3 10 $PLAIN_PHRASE
keep_picture "$WORK/frame100-f3-0.png" gnome-wayland-f3.png
((SHARE + 15 <= PLAIN_SHARE)) ||
    fail "F3 at frame 70: frame 100 shows phrase $PLAIN_PHRASE over $SHARE%, expected at most $((PLAIN_SHARE - 15))% (denser cans; $KEPT)"
pass "F3 reaches the show: phrase $PLAIN_PHRASE over $SHARE% of frame 100 instead of $PLAIN_SHARE%"

# kill -9: the monitor shows the desktop again, with no one to put it back.
kill -9 "$SHOW_PID"
wait_exit 5
for ((try = 0; try < 10; try++)); do
    capture 1 "$WORK/killed"
    [ "$(compare -metric AE -fuzz 3% "$WORK/killed-0.png" "$WORK/desktop.png" null: 2>&1)" -lt 1000 ] && break
    sleep 0.3
done
((try < 10)) || fail "after kill -9 the monitor does not show the desktop"
expect_desktop_mode "after kill -9"
pass "kill -9: the monitor shows the desktop again"
echo passed >"$RESULT"
