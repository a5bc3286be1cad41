# Shared steps of the end-to-end tests: run the real show on the X server in
# $DISPLAY, find its windows and boxes, press keys, take screenshots.
# Sourced by each test_*.sh; the first argument of a test is the program.

set -u
KELVORA=${1:?usage: test_x.sh path/to/kelvora}
KELVORA=$(readlink -f "$KELVORA")
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WORK=$(mktemp -d /tmp/kelvora-e2e.XXXXXX)
SHOW_PID=
trap 'cleanup' EXIT

fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "PASS: $*"; }

cleanup() {
    if [ -n "$SHOW_PID" ] && kill -0 "$SHOW_PID" 2>/dev/null; then
        kill -9 "$SHOW_PID" 2>/dev/null
        wait "$SHOW_PID" 2>/dev/null
    fi
    # Leave the next test the desktop's mode, whatever happened here.
    [ -n "${DESKTOP_MODE:-}" ] && xrandr -s "$DESKTOP_MODE" >/dev/null 2>&1
    rm -rf "$WORK"
}

need_display() {
    # On the X server in DISPLAY, not on a Wayland desktop the tests run from.
    unset WAYLAND_DISPLAY
    if [ -z "${DISPLAY:-}" ] || ! xwininfo -root >/dev/null 2>&1; then
        echo "SKIP: no X server in DISPLAY"
        exit 77
    fi
    DESKTOP_MODE=$(current_mode)
}

# "1024x768": the screen's current size.
current_mode() { xrandr 2>/dev/null | sed -n 's/.*current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p'; }

# True when the server can switch to 640 x 480 (the dummy driver can, Xvfb not).
can_switch_mode() { xrandr 2>/dev/null | grep -q '^ *640x480'; }

# Every output's mode (with its id), place, rotation and primary flag, then
# the monitors as clients see them.
desktop_layout() {
    xrandr --verbose 2>/dev/null | grep ' connected' | sed 's/ (normal.*//'
    xrandr --listmonitors 2>/dev/null
}

# Runs the command $3... every 0.1 s until it prints $1, for at most $2
# seconds; SEEN holds what it printed last. The display guardian restores the
# desktop just after the show's process has ended, so checks after an end wait.
SEEN=
wait_until_prints() {
    local expected=$1 limit=$2 i
    shift 2
    for ((i = 0; i <= limit * 10; i++)); do
        SEEN=$("$@")
        [ "$SEEN" = "$expected" ] && return 0
        sleep 0.1
    done
    return 1
}

# Fails unless the screen is $1 within 2 s; $2 says when, for the message,
# which shows the size that was read.
expect_mode() {
    wait_until_prints "$1" 2 current_mode || fail "$2: screen is ${SEEN:-unreadable}, expected $1"
}

# Starts the show in the background from directory $1 (default: the repo),
# with the command-line options in SHOW_OPTIONS, under the command in
# SHOW_WRAPPER if set (setsid; wine for the Windows build). Every signal has
# its default action, as for a show started from a terminal, also when the
# tests run under nohup or in the background, which ignore some.
SHOW_OPTIONS=
start_show() {
    local dir=${1:-$REPO}
    (cd "$dir" && exec env --default-signal ${SHOW_WRAPPER:-} "$KELVORA" $SHOW_OPTIONS \
        >"$WORK/stdout" 2>"$WORK/stderr") &
    SHOW_PID=$!
}

# Mapped windows named exactly $1, as "id WIDTHxHEIGHT" lines.
windows_named() {
    local id size
    xwininfo -root -tree 2>/dev/null | grep -F "\"$1\":" |
        sed -n 's/^ *\(0x[0-9a-f]*\) .*)  *\([0-9]*x[0-9]*\)+.*/\1 \2/p' |
        while read -r id size; do
            xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' && echo "$id $size"
        done
}

# Waits up to $3 seconds (default 20) for a mapped window named $1 that is the
# show's 640 x 480 window ($2 = show) or any other size, a box ($2 = box);
# prints its id.
wait_window() {
    local caption=$1 kind=$2 limit=${3:-20} i id
    for ((i = 0; i < limit * 5; i++)); do
        id=$(windows_named "$caption" |
            awk -v kind="$kind" '(kind == "show") == ($2 == "640x480") {print $1; exit}')
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$SHOW_PID" 2>/dev/null || return 1
        sleep 0.2
    done
    return 1
}
wait_box() { wait_window "$1" box "${2:-20}"; }
wait_show_window() { wait_window Kelvora show "${1:-20}"; }

# Closes the box with id $1 as a user would: focus it and press Return.
# Returns once the box has left the screen (at most 5 s), so that what
# follows sees the show's next step, not this box. No id (a box that never
# came) fails at once: xwininfo and xdotool would wait for a click instead.
close_box() {
    local i
    [ -n "$1" ] || fail "close_box: no box to close (no window id)"
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    xdotool key Return
    for ((i = 0; i < 50; i++)); do
        xwininfo -id "$1" 2>/dev/null | grep -q IsViewable || return 0
        sleep 0.1
    done
}

# Waits up to $2 seconds for window $1 to be unmapped.
wait_unmapped() {
    local i
    [ -n "$1" ] || fail "wait_unmapped: no window id"
    for ((i = 0; i < $2 * 50; i++)); do
        xwininfo -id "$1" 2>/dev/null | grep -q IsViewable || return 0
        sleep 0.02
    done
    return 1
}

# Closes the start-up warning and any further start-up boxes ("OpenGL Demo",
# and texture or mode complaints captioned "Kelvora") until the show's window
# is up; prints the captions closed, one a line, into $WORK/boxes.
pass_startup_boxes() {
    : >"$WORK/boxes"
    local id caption deadline=$((SECONDS + 60))
    while ((SECONDS < deadline)); do
        for caption in "OpenGL Demo" Kelvora; do
            id=$(windows_named "$caption" | awk '$2 != "640x480" {print $1; exit}')
            [ -n "$id" ] && break
        done
        if [ -n "$id" ]; then
            echo "$caption" >>"$WORK/boxes"
            close_box "$id"
            # Wine takes its time to close a box: one Return each, lest the
            # next close the next box unseen or one box count twice.
            wait_unmapped "$id" 5
            continue
        fi
        windows_named Kelvora | grep -q ' 640x480$' && return 0
        kill -0 "$SHOW_PID" 2>/dev/null || return 1
        sleep 0.2
    done
    return 1
}

# Focuses the show's window and presses key $1.
press() {
    local id
    id=$(wait_show_window 5) || return 1
    xdotool windowfocus "$id" 2>/dev/null
    xdotool key "$1"
}

# Waits up to $1 seconds for the show to end; sets EXIT_STATUS.
EXIT_STATUS=
wait_exit() {
    local limit=${1:-10} i
    for ((i = 0; i < limit * 10; i++)); do
        if ! kill -0 "$SHOW_PID" 2>/dev/null; then
            wait "$SHOW_PID"
            EXIT_STATUS=$?
            SHOW_PID=
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Screenshot of the top-left 640 x 480 of the screen into $1 (PNG).
screenshot() { import -window root -crop 640x480+0+0 +repage "$1" 2>/dev/null; }

# Keeps a copy of picture $1, named $2, for a person to look at after the
# test, and sets KEPT to the copy's path. The folder is the test's own (a
# fixed name in /tmp, written as root, could be a planted link) and outlives
# the test.
KEPT_DIR= KEPT=
keep_picture() {
    [ -n "$KEPT_DIR" ] || KEPT_DIR=$(mktemp -d /tmp/kelvora-e2e-shots.XXXXXX) || return 1
    KEPT=$KEPT_DIR/$2
    cp "$1" "$KEPT"
}

# Number of distinct colours in image $1, and its mean brightness 0..1.
colour_count() { convert "$1" -format '%k' info: 2>/dev/null; }
mean_brightness() { convert "$1" -colorspace Gray -format '%[fx:mean]' info: 2>/dev/null; }

# ---- Faults, missing pieces and long runs ----

# Starts an Xorg server of the test's own with config file $1, for what the
# shared one cannot show, and points DISPLAY at it.
. "$REPO/tests/e2e/xserver.sh"
PRIVATE_X_PID=
start_private_x() {
    trap 'cleanup; stop_private_x' EXIT
    if ! start_xorg_dummy 80 "$1" "$WORK/xorg.log"; then
        local why
        why=$(grep -m 3 '(EE)' "$WORK/xorg.log" 2>/dev/null | paste -sd ' ')
        [ "$(id -u)" = 0 ] || { echo "SKIP: Xorg does not start for this user: $why"; exit 77; }
        fail "could not start a private Xorg: $why"
    fi
    PRIVATE_X_PID=$X_SERVER_PID
    DESKTOP_MODE=$(current_mode)
}
stop_private_x() {
    [ -n "$PRIVATE_X_PID" ] && kill "$PRIVATE_X_PID" 2>/dev/null && wait "$PRIVATE_X_PID" 2>/dev/null
    PRIVATE_X_PID=
}

# A folder to start the show from, holding a copy of stuff/ without the files
# named in $@; prints its path.
stuff_without() {
    local dir=$WORK/run name
    rm -rf "$dir" && mkdir -p "$dir" && cp -r "$REPO/stuff" "$dir/stuff"
    for name in "$@"; do rm -f "$dir/stuff/$name"; done
    echo "$dir"
}

# Two screenshots 0.7 s apart differ: the show is drawing.
assert_frames_drawn() {
    screenshot "$WORK/a.png"
    sleep 0.7
    screenshot "$WORK/b.png"
    cmp -s "$WORK/a.png" "$WORK/b.png" && fail "two screenshots 0.7 s apart are identical: no frames drawn"
    pass "frames are drawn"
}

# The ordinary end, by key $1 (default Escape): the desktop's mode back at the
# closing box, then status 0.
end_with_esc() {
    local key=${1:-Escape} box
    press "$key" || fail "no window to press $key in"
    box=$(wait_box Kelvora 10) || fail "no closing box after $key"
    expect_mode "$DESKTOP_MODE" "at the closing box"
    close_box "$box"
    wait_exit 5 || fail "the show did not end after the closing box"
    [ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS, expected 0"
    pass "$key: desktop restored, closing box, status 0"
}

# Frames presented so far by a show started with start_counted_show.
SWAP_COUNTER=${SWAP_COUNTER:-$(dirname "$KELVORA")/tests/libkelvora_swap_counter.so}
frames_drawn() { cat "$WORK/frames" 2>/dev/null || echo 0; }

# start_show with the frame counter preloaded (see tests/swap_counter), and
# under the command in SHOW_WRAPPER if set (valgrind). Under AddressSanitizer
# its run-time must come first.
start_counted_show() {
    local dir=${1:-$REPO} preload=$SWAP_COUNTER asan
    [ -f "$SWAP_COUNTER" ] || fail "no frame counter at $SWAP_COUNTER"
    asan=$(ldd "$KELVORA" | awk '/libasan/ {print $3; exit}')
    [ -n "$asan" ] && preload=$asan:$preload
    (cd "$dir" && LD_PRELOAD=$preload KELVORA_SWAP_COUNT_FILE=$WORK/frames \
        exec ${SHOW_WRAPPER:-} "$KELVORA" $SHOW_OPTIONS >"$WORK/stdout" 2>"$WORK/stderr") &
    SHOW_PID=$!
}

# The captions of the start-up boxes that pass_startup_boxes closed are $@, in
# order, as on a server that switches to 640 x 480. One that cannot adds the
# mode's two boxes right after the warning (or first, if the test closed the
# warning itself).
expect_boxes() {
    local expected actual
    if ! can_switch_mode; then
        if [ "${1:-}" = "OpenGL Demo" ]; then set -- "$1" Kelvora "OpenGL Demo" "${@:2}"
        else set -- Kelvora "OpenGL Demo" "$@"; fi
    fi
    expected=$(printf '%s\n' "$@")
    actual=$(cat "$WORK/boxes")
    [ "$actual" = "$expected" ] ||
        fail "start-up boxes were [$(paste -sd '|' <<<"$actual")], expected [$(paste -sd '|' <<<"$expected")]"
    pass "start-up boxes: $(paste -sd '|' <<<"$actual")"
}

# Records every screen size change from now on; screen_sizes_seen stops that
# and prints the sizes in order, one "WIDTHxHEIGHT" a line, repeats merged
# (RandR reports one change several times).
WATCH_PID=
watch_screen_sizes() {
    xev -root -event randr >"$WORK/randr" 2>/dev/null &
    WATCH_PID=$!
    sleep 0.3
}
screen_sizes_seen() {
    [ -n "$WATCH_PID" ] && kill "$WATCH_PID" 2>/dev/null && wait "$WATCH_PID" 2>/dev/null
    WATCH_PID=
    awk '/^RRScreenChangeNotify/ {s = 1; next}
         s && /width [0-9]+, height [0-9]+/ {gsub(",", ""); print $2 "x" $4; s = 0}' "$WORK/randr" | uniq
}

# The display guardian of the running show (a child process named
# kelvora-guard); prints its pid.
guardian_of_show() { pgrep -P "$SHOW_PID" -x kelvora-guard; }

# Waits up to 2 s for process $1 to end (an unreaped zombie counts as ended).
wait_gone() {
    local i
    for ((i = 0; i < 20; i++)); do
        grep -qs '^[0-9]* ([^)]*) [^Z]' "/proc/$1/stat" || return 0
        sleep 0.1
    done
    return 1
}

# Fails unless the middle of box $1, with the window manager's frame around it
# (_NET_FRAME_EXTENTS), is the middle of the monitor at 0, 0 of size $2
# (WIDTHxHEIGHT), give or take $4 pixels (default 40); $3 names the box.
expect_centred() {
    local x y w h mw=${2%x*} mh=${2#*x} near=${4:-40} left=0 right=0 top=0 bottom=0
    [ -n "$1" ] || fail "$3: no window id"
    read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF}
        /Absolute upper-left Y/ {y = $NF} /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}')
    IFS=', ' read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p')
    ((x -= ${left:-0}, y -= ${top:-0}, w += ${left:-0} + ${right:-0}, h += ${top:-0} + ${bottom:-0}))
    local dx=$((x + w / 2 - mw / 2)) dy=$((y + h / 2 - mh / 2))
    ((dx * dx <= near * near && dy * dy <= near * near)) ||
        fail "$3 framed at ${w}x$h+$x+$y: its middle is $dx, $dy from the middle of the $2 monitor, expected 0, 0 give or take $near"
}

# The ten phrase images as the show draws them, scaled to $1 (WIDTHxHEIGHT),
# in $WORK/phrase1.png ... phrase10.png.
phrase_images() {
    local i
    for i in $(seq 1 10); do
        convert "$REPO/stuff/frase$i.tga" -crop 640x480+0+0 +repage -resize "$1!" "$WORK/phrase$i.png" ||
            fail "cannot read stuff/frase$i.tga"
    done
}

# SHARE: the share in percent of area $2 of image $1 (WIDTHxHEIGHT+X+Y; empty:
# all of it) that matches the same area of a phrase image (phrase $3 if given),
# the best match; PHRASE: which one.
phrase_share() {
    local i differing shot=$1 phrase pixels
    SHARE=0 PHRASE=
    [ -n "${2:-}" ] && convert "$1" -crop "$2" +repage "$WORK/area.png" && shot=$WORK/area.png
    pixels=$(identify -format '%w*%h' "$shot")
    for i in ${3:-$(seq 1 10)}; do
        phrase=$WORK/phrase$i.png
        [ -n "${2:-}" ] && convert "$phrase" -crop "$2" +repage "$WORK/phrase-area.png" && phrase=$WORK/phrase-area.png
        # A count past a million comes as 2.0736e+06.
        differing=$(printf '%.0f' "$(compare -metric AE -fuzz 6% "$shot" "$phrase" null: 2>&1)")
        differing=$((100 - differing * 100 / (pixels)))
        ((differing > SHARE)) && { SHARE=$differing; PHRASE=$i; }
    done
}
