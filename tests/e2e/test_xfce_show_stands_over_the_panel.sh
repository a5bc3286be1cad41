# Under a window manager with a panel across the screen (Xfce's xfwm4 with
# xfce4-panel at the top; openbox with tint2 at the bottom) the show's window
# stands at 0, 0 and 640 x 480, stacked above the panel, and a root screenshot
# is the show's picture down to its top and bottom rows, not the panel nor the
# desktop. The window manager is asked for full screen, as panels allow. The
# boxes before and after stand in the middle of the 1024 x 768 desktop, title
# bar and borders included.
. "$(dirname "$0")/lib.sh"

# One row a desktop: its name, window manager and panel.
DESKTOPS=("xfwm4 xfwm4 --compositor=off|xfce4-panel" "openbox openbox --sm-disable|tint2")

if [ -z "${KELVORA_DESKTOP_STAGE:-}" ]; then
    command -v dbus-run-session >/dev/null || { echo "SKIP: no dbus-run-session"; exit 77; }
    ran=0
    for row in "${DESKTOPS[@]}"; do
        name=${row%% *} panel=${row#*|}
        if ! command -v "$name" >/dev/null || ! command -v "$panel" >/dev/null; then
            echo "SKIP: no $name or no $panel"
            continue
        fi
        # Left-overs of a desktop (struts, a work area) must not reach the
        # next, nor other tests.
        start_private_x "$REPO/tests/e2e/xorg-dummy.conf"
        # The desktop's settings start from the packages' defaults, kept apart.
        rm -rf "$WORK/config" "$WORK/cache" "$WORK/data"
        # (Nor an accessibility bus.)
        XDG_CONFIG_HOME=$WORK/config XDG_CACHE_HOME=$WORK/cache XDG_DATA_HOME=$WORK/data NO_AT_BRIDGE=1 \
            DESKTOP_MODE=$DESKTOP_MODE KELVORA_DESKTOP_STAGE=$row \
            dbus-run-session -- bash "$0" "$KELVORA" 2>"$WORK/desktop.log" ||
            fail "$name: the desktop's own messages: $(tail -n 20 "$WORK/desktop.log")"
        stop_private_x
        ran=$((ran + 1))
    done
    ((ran > 0)) || exit 77
    exit 0
fi

row=$KELVORA_DESKTOP_STAGE
name=${row%% *} wm=${row%|*} wm=${wm#* } panel_program=${row#*|}
fail() { echo "FAIL: $name: $*"; exit 1; }
pass() { echo "PASS: $name: $*"; }
$wm >/dev/null 2>&1 &
desktop_pids=$!
$panel_program >/dev/null 2>&1 &
desktop_pids="$desktop_pids $!"
trap 'cleanup; kill $desktop_pids 2>/dev/null; wait 2>/dev/null' EXIT

# The panel: a dock window the window manager manages, across the screen.
panel=
for ((i = 0; i < 100; i++)); do
    [ -n "$panel" ] && break
    sleep 0.2
    for id in $(xprop -root _NET_CLIENT_LIST 2>/dev/null | sed -n 's/.*# //p' | tr -d ,); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DOCK || continue
        [ "$(xwininfo -id "$id" | awk '/Width:/ {print $NF}')" = "${DESKTOP_MODE%x*}" ] && panel=$id
    done
done
[ -n "$panel" ] || fail "no panel across the screen"
pass "runs, $panel_program's $(xwininfo -id "$panel" | awk '/geometry/ {print $NF}')"

phrase_images 640x480

start_show
box=$(wait_box "OpenGL Demo" 30) || fail "no warning box; stderr: $(cat "$WORK/stderr")"
expect_centred "$box" "$DESKTOP_MODE" "the warning box" 2
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
id=$(wait_show_window 5)
expect_mode 640x480 "while the show runs"
geometry=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h "+" x "+" y}')
[ "$geometry" = 640x480+0+0 ] || fail "the show's window is at $geometry, expected 640x480+0+0"
stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed -n 's/.*# //p' | tr -d , | tr ' ' '\n' | awk '{printf "%d\n", $1}')
show_at=$(grep -nx "$((id))" <<<"$stacking" | cut -d: -f1)
panel_at=$(grep -nx "$((panel))" <<<"$stacking" | cut -d: -f1)
[ -n "$show_at" ] && [ -n "$panel_at" ] && ((show_at > panel_at)) ||
    fail "stacking (bottom first): the show $id at ${show_at:-none}, the panel $panel at ${panel_at:-none}"
focus=$(xdotool getwindowfocus 2>/dev/null)
[ "$((focus))" = "$((id))" ] || fail "the keyboard goes to window ${focus:-none}, not the show's $id"
pass "the show's window at $geometry, stacked above the panel, with the keyboard"

# The top rows, where the panel is, and the bottom rows are the picture.
# Shots in a fade or a scene's change are taken again.
for ((try = 0; try < 12; try++)); do
    sleep 0.5
    import -window root "$WORK/root.png" 2>/dev/null
    phrase_share "$WORK/root.png" 640x40+0+0
    top=$SHARE
    phrase_share "$WORK/root.png" 640x40+0+440
    bottom=$SHARE
    ((top >= 50 && bottom >= 50)) && break
done
keep_picture "$WORK/root.png" "$name.png"
((try < 12)) || fail "the screen's top rows match a phrase by $top%, the bottom rows by $bottom%: not the show's picture ($KEPT)"
pass "the screen's top and bottom rows are the picture (phrase over $top% and $bottom%; $KEPT)"
press Escape || fail "no window to press Esc in"
box=$(wait_box Kelvora 10) || fail "no closing box after Esc"
expect_mode "$DESKTOP_MODE" "at the closing box"
expect_centred "$box" "$DESKTOP_MODE" "the closing box" 2
close_box "$box"
wait_exit 5 || fail "the show did not end after the closing box"
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS, expected 0"
pass "Esc: the desktop's mode back, the closing box centred on it, status 0"
