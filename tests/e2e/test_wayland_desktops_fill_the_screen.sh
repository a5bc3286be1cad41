# Wayland desktops without Xwayland (sway with swaybar, KWin with a dock,
# weston with its panel, GNOME's mutter), each on one 1920 x 1080 output: the show plays as a
# native client, its picture covers at least 70 % of the output and all of the
# panel, Esc brings the closing box onto the desktop (no black full-screen
# surface over it), and closing it ends the show with status 0. One row a
# compositor; KELVORA_WAYLAND_ROWS picks some. Last, a compositor without a seat.
. "$(dirname "$0")/lib.sh"
OUTPUT=1920x1080
ROWS=${KELVORA_WAYLAND_ROWS-sway kwin weston mutter}
# The picture: a 640 x 480 mode scaled over the output fills all of it; a 4:3
# picture with bars would fill 75 %.
PICTURE_SHARE=70
# Of the picture, a phrase shows at least this share; it hides the panel whole
# (a few pixels of the picture may match it).
PHRASE_SHARE=30
PANEL_HIDDEN_SHARE=90
# A box is a few percent of the output; a surface over the desktop is most of it.
LARGEST_BOX_SHARE=20

for tool in sway swaybar grim wtype kwin_wayland swaybg dbus-launch weston Xvfb xdotool setpriv; do
    command -v $tool >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
/usr/bin/python3 -c 'import gi; gi.require_version("GtkLayerShell", "0.1")' 2>/dev/null ||
    { echo "SKIP: no gir1.2-gtklayershell-0.1"; exit 77; }

# sway will not run as root: there it runs as an ordinary user. Each
# compositor has a runtime folder of its own.
AS_USER=()
if [ "$(id -u)" = 0 ]; then
    AS_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    chmod 711 "$WORK"
fi
COMPOSITOR_PID= DBUS_SESSION_BUS_PID=
stop_compositor() {
    local pid
    for pid in $COMPOSITOR_PID $DBUS_SESSION_BUS_PID; do kill -- "-$pid" 2>/dev/null; done
    [ -n "$COMPOSITOR_PID" ] && wait "$COMPOSITOR_PID" 2>/dev/null
    COMPOSITOR_PID= DBUS_SESSION_BUS_PID=
}
trap 'stop_compositor; stop_private_x; cleanup' EXIT
new_runtime() {
    export XDG_RUNTIME_DIR=$WORK/runtime-$ROW
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    unset WAYLAND_DISPLAY
}
# Runs the compositor "$@" in a process group of its own.
run_compositor() {
    setsid "$@" >"$WORK/$ROW.log" 2>&1 &
    COMPOSITOR_PID=$!
    local i socket
    for ((i = 0; i < 100; i++)); do
        for socket in "$XDG_RUNTIME_DIR"/wayland-*; do
            [ -S "$socket" ] && { export WAYLAND_DISPLAY=${socket##*/}; return 0; }
        done
        kill -0 "$COMPOSITOR_PID" 2>/dev/null || break
        sleep 0.1
    done
    fail "$ROW did not start: $(tail -n 15 "$WORK/$ROW.log")"
}

# ---- Each compositor: start_ROW, shot_ROW FILE (the whole output), key_ROW
# KEY for the show, close_box_ROW ----
start_sway() {
    cat >"$WORK/sway.conf" <<EOF
xwayland disable
output HEADLESS-1 resolution $OUTPUT
bar {
    position top
    colors {
        background #c03030
    }
}
EOF
    chmod 644 "$WORK/sway.conf"
    [ ${#AS_USER[@]} -gt 0 ] && chown 65534:65534 "$XDG_RUNTIME_DIR"
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        run_compositor "${AS_USER[@]}" sway -c "$WORK/sway.conf"
}
shot_sway() { grim "$1"; }
PANEL_sway=1920x16+0+0
# The seat has wtype's keyboard about 1.5 s after wtype starts. GTK takes no
# Return from that keyboard (its keymap is wtype's own): the box is closed as
# by its close button.
key_sway() { wtype -s 1500 -k "$1"; }
close_box_sway() { swaymsg -s "$XDG_RUNTIME_DIR"/sway-ipc.*.sock kill >/dev/null; }

# KWin's binary carries file capabilities, which exec refuses in a sandbox.
# Its screenshot service is reached on a session bus of the test's own, its
# fake input (the keys: a virtual session has no keyboard) without the
# permission a KDE session grants its own tools. A grey wallpaper and a dock.
start_kwin() {
    cp "$(command -v kwin_wayland)" "$WORK/kwin_wayland"
    eval "$(dbus-launch --sh-syntax)"
    KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 run_compositor \
        "$WORK/kwin_wayland" --virtual --width 1920 --height 1080 --socket wayland-kelvora \
        --no-lockscreen "swaybg -c #808080" "/usr/bin/python3 $REPO/tests/e2e/wayland_desktop.py"
}
PANEL_kwin=1920x32+0+0
shot_kwin() { /usr/bin/python3 "$REPO/tests/e2e/wayland_desktop.py" shot "$1"; }
key_kwin() { "$(dirname "$KELVORA")/tests/kelvora_kwin_key" "$1"; }
close_box_kwin() { key_kwin Return; }

# weston's headless back end takes no keys: its X11 one does, on an Xvfb,
# and so does mutter's nested one (GNOME without its shell: no panel).
start_xvfb() {
    start_x_server 90 Xvfb -screen 0 ${OUTPUT}x24 -nolisten tcp || fail "no Xvfb for $ROW"
    PRIVATE_X_PID=$X_SERVER_PID
}
start_weston() {
    start_xvfb
    printf '[shell]\npanel-position=top\nclock-format=none\n' >"$WORK/weston.ini"
    chmod 644 "$WORK/weston.ini"
    run_compositor weston --backend=x11-backend.so --width=1920 --height=1080 --use-pixman \
        --socket=wayland-kelvora --config="$WORK/weston.ini"
}
PANEL_weston=1920x24+0+0
shot_weston() { import -window root "$1"; }
key_weston() { xdotool mousemove 960 540 key "$1"; }
close_box_weston() { key_weston Return; }
start_mutter() {
    start_xvfb
    MUTTER_DEBUG_DUMMY_MODE_SPECS=$OUTPUT run_compositor dbus-run-session -- \
        mutter --wayland --nested --no-x11 --wayland-display wayland-kelvora
}
PANEL_mutter=
shot_mutter() { shot_weston "$@"; }
key_mutter() { key_weston "$@"; }
close_box_mutter() { close_box_weston; }

# CHANGED: the percent of shot $1 (of its area $2, WIDTHxHEIGHT+X+Y, if
# given) that differs from the desktop; LIGHT: 1 when what changed is light
# on average (a box, not a black surface).
changed_share() {
    local shot=$1 desktop=$WORK/desktop.png
    if [ -n "${2:-}" ]; then
        convert "$shot" -crop "$2" +repage "$WORK/area.png" && shot=$WORK/area.png
        convert "$desktop" -crop "$2" +repage "$WORK/desktop-area.png" && desktop=$WORK/desktop-area.png
    fi
    compare -fuzz 10% "$shot" "$desktop" -compose src -highlight-color white \
        -lowlight-color black "$WORK/changed.png" 2>/dev/null
    CHANGED=$(convert "$WORK/changed.png" -format '%[fx:int(mean*100)]' info:)
    LIGHT=$(convert "$shot" -colorspace Gray "$WORK/changed.png" -compose multiply -composite -format \
        "%[fx:mean > 0.5 * $(convert "$WORK/changed.png" -format '%[fx:mean]' info:)]" info:)
}
# Waits up to 20 s for a box alone on the desktop: a change smaller than a
# surface over it, light (a box, not a black surface); keeps the shot as $1.
wait_box_alone() {
    local try
    for ((try = 0; try < 40; try++)); do
        shot_$ROW "$WORK/shot.png"
        changed_share "$WORK/shot.png"
        if ((CHANGED >= 1 && CHANGED <= LARGEST_BOX_SHARE)) && [ "$LIGHT" = 1 ]; then
            keep_picture "$WORK/shot.png" "$ROW-$1.png"
            return 0
        fi
        sleep 0.5
    done
    keep_picture "$WORK/shot.png" "$ROW-$1.png"
    fail "$ROW: $1: no box alone on the desktop; the screen changed over $CHANGED%, light: $LIGHT ($KEPT)"
}

[ -x "$(dirname "$KELVORA")/tests/kelvora_kwin_key" ] || fail "no kelvora_kwin_key beside the show"
phrase_images $OUTPUT
export KELVORA_SWAP_COUNT_EVERY=1 KELVORA_SWAP_HOLD_FILE=$WORK/hold
SHOW_OPTIONS="--seed 7"
unset DISPLAY
for ROW in $ROWS; do
    new_runtime
    start_$ROW
    # The panel drawn, the seat's keyboard ready (about 1.5 s under sway),
    # mutter's window up.
    sleep 4
    shot_$ROW "$WORK/desktop.png" || fail "$ROW: no screenshot"
    keep_picture "$WORK/desktop.png" "$ROW-desktop.png"

    echo 100 >"$WORK/hold"
    start_counted_show
    wait_box_alone warning
    close_box_$ROW
    wait_until_prints 100 60 frames_drawn ||
        fail "$ROW: frame 100 not reached; the show drew $SEEN; stderr: $(cat "$WORK/stderr")"
    shot_$ROW "$WORK/frame.png"
    keep_picture "$WORK/frame.png" "$ROW-frame100.png"
    phrase_share "$WORK/frame.png"
    ((SHARE >= PHRASE_SHARE)) ||
        fail "$ROW: phrase $PHRASE over $SHARE% of the output, expected at least $PHRASE_SHARE% ($KEPT)"
    panel=PANEL_$ROW
    [ -z "${!panel}" ] || changed_share "$WORK/frame.png" "${!panel}"
    [ -z "${!panel}" ] || ((CHANGED >= PANEL_HIDDEN_SHARE)) ||
        fail "$ROW: the panel (${!panel}) still shows: $CHANGED% of it covered, expected at least $PANEL_HIDDEN_SHARE% ($KEPT)"
    changed_share "$WORK/frame.png"
    ((CHANGED >= PICTURE_SHARE)) ||
        fail "$ROW: the picture covers $CHANGED% of the output, expected at least $PICTURE_SHARE% ($KEPT)"
    pass "$ROW: the picture covers $CHANGED% of the output${!panel:+ and the panel}, phrase $PHRASE over $SHARE% ($KEPT)"

    rm "$WORK/hold"
    key_$ROW Escape
    wait_box_alone closing
    pass "$ROW: Esc brings the closing box onto the desktop ($KEPT)"
    close_box_$ROW
    wait_exit 10 || fail "$ROW: the show did not end after the closing box"
    [ "$EXIT_STATUS" = 0 ] || fail "$ROW: exit status $EXIT_STATUS, expected 0; stderr: $(cat "$WORK/stderr")"
    pass "$ROW: the box closed, status 0"
    stop_compositor
    stop_private_x
done

# weston's headless back end has no seat, on which SDL 2.26 crashes: the show
# says so and turns to Xwayland, here absent, and ends with status 1.
ROW=weston-headless
new_runtime
run_compositor weston --backend=headless-backend.so --use-pixman --socket=wayland-kelvora
start_show
wait_exit 20 || fail "$ROW: the show did not end without a seat"
grep -q "has no seat" "$WORK/stderr" && [ "$EXIT_STATUS" = 1 ] ||
    fail "$ROW: status $EXIT_STATUS, expected 1 with a word on the missing seat; stderr: $(cat "$WORK/stderr")"
pass "$ROW: no seat: $(head -n 1 "$WORK/stderr"), status 1"
