# The desktop's layout comes back when the display guardian is killed, stopped
# or killed with the show (then by the next run, before its warning box), on one
# monitor and two; not one of a running show, another display, or set by hand
# since. A refused restore is retried and reported, and so is a guardian's failure.
. "$(dirname "$0")/lib.sh"
start_private_x "$REPO/tests/e2e/xorg-dummy.conf"
export XDG_RUNTIME_DIR=$WORK/runtime LAYOUTS=$WORK/runtime/kelvora
mkdir -m 700 "$XDG_RUNTIME_DIR"
layout=$(desktop_layout)
expect_layout() {
    wait_until_prints "$layout" 2 desktop_layout ||
        fail "$1: layout is [$(paste -sd '|' <<<"$SEEN")], expected [$(paste -sd '|' <<<"$layout")]"
}
layout_files() { ls -A "$LAYOUTS" 2>/dev/null; }
primary_mode() { xrandr | sed -n 's/^DUMMY0 connected primary \([0-9]*x[0-9]*\)+0+0 .*/\1/p'; }
start_switched() {  # sets GUARDIAN
    start_show
    pass_startup_boxes || fail "$1: the show's window did not appear; stderr: $(cat "$WORK/stderr")"
    wait_until_prints 640x480 2 primary_mode || fail "$1: while the show runs DUMMY0 is at ${SEEN:-?}"
    GUARDIAN=$(guardian_of_show) || fail "$1: the show has no guardian"
}
esc_restores() {  # the layout back within 2 s of Esc, the closing box, status 0, no file left
    press Escape || fail "$1: no window to press Esc in"
    expect_layout "$1: 2 s after Esc"
    close_box "$(wait_box Kelvora 10)"
    wait_exit 5 && [ "$EXIT_STATUS" = 0 ] || fail "$1: after the closing box: status ${EXIT_STATUS:-none}"
    [ -z "$(layout_files)" ] || fail "$1: layout files left after the end: $(layout_files)"
}
kill_both() {  # as `pkill -9 kelvora` does, guardian first: else it may restore in between
    kill -KILL "$GUARDIAN" "$SHOW_PID"
    wait_exit 5 && wait_gone "$GUARDIAN" || fail "$1: still running 5 s after SIGKILL"
    sleep 0.5; [ "$(primary_mode)" = 640x480 ] || fail "$1: someone put the mode back after both were killed"
}
# A next run on display $2: at its warning box the layout is $3, and its
# stderr holds one line with $4, or nothing when $4 is empty.
next_run_at_warning() {
    export DISPLAY=$2
    start_show
    wait_box "OpenGL Demo" 20 >/dev/null || fail "$1: no warning box"
    wait_until_prints "$3" 2 desktop_layout || fail "$1: at the next run's warning box the layout is [$(paste -sd '|' <<<"$SEEN")], expected [$(paste -sd '|' <<<"$3")]"
    export DISPLAY=$MAIN_DISPLAY
    local lines=$(grep -c . "$WORK/stderr")
    { [ -z "$4" ] && [ "$lines" = 0 ]; } || { [ -n "$4" ] && [ "$lines" = 1 ] && grep -q "$4" "$WORK/stderr"; } ||
        fail "$1: the next run said [$(paste -sd '|' "$WORK/stderr")], expected ${4:+one line with }[$4]"
}
rows() {
    local row
    for row in "$1, guardian killed" "$1, guardian stopped" "$1, both killed"; do
        start_switched "$row"
        case $row in
            *"guardian killed")
                kill -KILL "$GUARDIAN" && wait_gone "$GUARDIAN" || fail "$row: the guardian still runs"
                esc_restores "$row" ;;
            *"guardian stopped")
                kill -STOP "$GUARDIAN"
                esc_restores "$row"
                # Woken after the end, it must not undo a mode set by hand meanwhile.
                xrandr --output DUMMY0 --mode 800x600 && kill -CONT "$GUARDIAN" && wait_gone "$GUARDIAN" &&
                    sleep 0.5 || fail "$row: the continued guardian still runs 2 s later"
                [ "$(primary_mode)" = 800x600 ] || fail "$row: the continued guardian undid a mode set by hand"
                xrandr --output DUMMY0 --mode "$desktop_mode" && expect_layout "$row: set back by hand" ;;
            *"both killed")
                [ "$(stat -c %a "$LAYOUTS" "$LAYOUTS"/*)" = "$(printf '700\n600')" ] ||
                    fail "$row: the layout's folder and file are [$(stat -c '%a %n' "$LAYOUTS" "$LAYOUTS"/* | paste -sd '|')], expected one file, private"
                kill_both "$row"
                if [ -n "$OTHER_DISPLAY" ]; then
                    next_run_at_warning "$row, another display" "$OTHER_DISPLAY" "$(DISPLAY=$OTHER_DISPLAY desktop_layout)" ""
                    kill "$SHOW_PID" && wait_exit 5 && [ "$(primary_mode)" = 640x480 ] && [ -n "$(layout_files)" ] ||
                        fail "$row: a run on another display touched this one's screen or file"
                    pass "$row: a run on another display left this one's layout and file alone"
                fi
                next_run_at_warning "$row" "$MAIN_DISPLAY" "$layout" "put the desktop back to"
                pass_startup_boxes || fail "$row: the next run's window did not appear"
                esc_restores "$row, the next run" ;;
        esac
        pass "$row: the layout back"
    done
}

desktop_mode=$(primary_mode) MAIN_DISPLAY=$DISPLAY OTHER_DISPLAY=
if start_xorg_dummy 90 "$REPO/tests/e2e/xorg-dummy.conf" "$WORK/xorg-other.log"; then
    OTHER_X_PID=$X_SERVER_PID OTHER_DISPLAY=$DISPLAY
    trap 'cleanup; stop_private_x; kill $OTHER_X_PID' EXIT
fi
export DISPLAY=$MAIN_DISPLAY
rows "one monitor"

row="a show still running"
start_switched "$row"
first=$SHOW_PID
next_run_at_warning "$row" "$MAIN_DISPLAY" "$(desktop_layout)" ""
kill "$SHOW_PID" && wait_exit 5 && SHOW_PID=$first
[ "$(layout_files)" = "layout-$first" ] || fail "$row: its layout file is gone: [$(layout_files)]"
esc_restores "$row"
pass "$row: a next run left its layout alone"

row="no guardian"  # fork refused
printf '#include <errno.h>\n#include <unistd.h>\npid_t fork(void) { errno = EAGAIN; return -1; }\n' |
    cc -x c -shared -fPIC -o "$WORK/nofork.so" - || fail "could not build a fork refuser"
SHOW_WRAPPER="env LD_PRELOAD=$WORK/nofork.so" start_show
pass_startup_boxes && wait_until_prints 640x480 2 primary_mode || fail "$row: the show did not switch"
esc_restores "$row"
grep -q "^kelvora: no display guardian (fork: " "$WORK/stderr" ||
    fail "$row: stderr [$(paste -sd '|' "$WORK/stderr")], expected the guardian's failure"
pass "$row: reported; the show switched and restored by itself"

row="changed by hand"
start_switched "$row"
kill_both "$row"
xrandr -s 800x600 && mine=$(desktop_layout) || fail "could not set a mode by hand"
next_run_at_warning "$row" "$MAIN_DISPLAY" "$mine" "not put back"
pass_startup_boxes || fail "$row: the next run's window did not appear"
layout=$mine esc_restores "$row"
xrandr -s "$desktop_mode" && expect_layout "$row: set back by hand"
pass "$row: the mode set by hand after the hard kill stays"

xrandr --addmode DUMMY1 800x600 && xrandr --output DUMMY1 --mode 800x600 --pos 1024x168 ||
    fail "could not set up a second monitor"
layout=$(desktop_layout)
rows "two monitors"

# The second monitor in a mode of the user's own, which the user removes while
# the show runs: the server refuses to put it back.
row="two monitors, a refused restore"
xrandr --newmode kelvora-test 38.25 800 832 912 1024 600 603 607 624 -hsync +vsync &&
    xrandr --addmode DUMMY1 kelvora-test && xrandr --output DUMMY1 --mode kelvora-test ||
    fail "could not give DUMMY1 a mode of its own"
start_switched "$row"
xrandr --output DUMMY1 --off && xrandr --delmode DUMMY1 kelvora-test && xrandr --rmmode kelvora-test ||
    fail "could not take DUMMY1's mode away"
press Escape && close_box "$(wait_box Kelvora 10)" && wait_exit 5 || fail "$row: no closing box or no end"
said="could not put the desktop's monitor layout back (the X server refused"
grep -q "$said.*); trying once more$" "$WORK/stderr" && grep -q "$said.*)$" "$WORK/stderr" ||
    fail "$row: stderr [$(paste -sd '|' "$WORK/stderr")], expected a failed try and a failed retry, each with the reason"
pass "$row: tried twice and reported: $(grep -m 1 'could not' "$WORK/stderr")"
