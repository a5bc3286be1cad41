# The desktop's layout comes back when the display guardian is killed, stopped
# or killed with the show (then by the next run, before its warning box, also
# under another spelling of the display), on one monitor and two; not one of a
# running show, another display, or set by hand since (neither by the next run
# nor by a guardian woken late), nor under another show's full screen. A record
# the server refuses is dropped with one line. A second show on the display
# plays in a window and the desktop comes back whichever ends first, also under
# another spelling, as another user, with another runtime folder, and beside a
# stopped show. A mode deleted meanwhile gives way to the monitor's preferred
# one, and that is said; a guardian's failure is reported; closed standard
# streams do not reach the guardian.
. "$(dirname "$0")/lib.sh"
start_private_x "$REPO/tests/e2e/xorg-dummy.conf"
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
layout=$(desktop_layout)
expect_layout() {
    wait_until_prints "$layout" 2 desktop_layout ||
        fail "$1: layout is [$(paste -sd '|' <<<"$SEEN")], expected [$(paste -sd '|' <<<"$layout")]"
}
# The switch's record on the root window, as xprop prints it; empty when none.
record_left() { xprop -root _KELVORA_DESKTOP_LAYOUT 2>/dev/null | grep -F ' = '; }
primary_mode() { xrandr | sed -n 's/^DUMMY0 connected primary \([0-9]*x[0-9]*\)+0+0 .*/\1/p'; }
start_switched() {  # sets GUARDIAN
    start_show
    pass_startup_boxes || fail "$1: the show's window did not appear; stderr: $(cat "$WORK/stderr")"
    wait_until_prints 640x480 2 primary_mode || fail "$1: while the show runs DUMMY0 is at ${SEEN:-?}"
    GUARDIAN=$(guardian_of_show) || fail "$1: the show has no guardian"
}
esc_restores() {  # the layout back within 2 s of Esc, the closing box, status 0, no record left
    press Escape || fail "$1: no window to press Esc in"
    expect_layout "$1: 2 s after Esc"
    close_box "$(wait_box Kelvora 10)"
    wait_exit 5 && [ "$EXIT_STATUS" = 0 ] || fail "$1: after the closing box: status ${EXIT_STATUS:-none}"
    [ -z "$(record_left)" ] || fail "$1: a record left after the end: $(record_left)"
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
                [ -n "$(record_left)" ] || fail "$row: no record on the root window while the show runs"
                kill_both "$row"
                if [ -n "$OTHER_DISPLAY" ]; then
                    next_run_at_warning "$row, another display" "$OTHER_DISPLAY" "$(DISPLAY=$OTHER_DISPLAY desktop_layout)" ""
                    kill "$SHOW_PID" && wait_exit 5 && [ "$(primary_mode)" = 640x480 ] && [ -n "$(record_left)" ] ||
                        fail "$row: a run on another display touched this one's screen or record"
                    pass "$row: a run on another display left this one's layout and record alone"
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
[ -n "$(record_left)" ] || fail "$row: its record is gone"
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

row="guardian stopped, show killed, changed by hand"
start_switched "$row"
kill -STOP "$GUARDIAN" && kill -KILL "$SHOW_PID" && wait_exit 5 || fail "$row: the show still runs"
xrandr -s 800x600 && mine=$(desktop_layout) || fail "could not set a mode by hand"
kill -CONT "$GUARDIAN" && wait_gone "$GUARDIAN" && sleep 0.5 || fail "$row: the continued guardian still runs"
[ "$(desktop_layout)" = "$mine" ] || fail "$row: the continued guardian set [$(desktop_layout | paste -sd '|')] over the mode set by hand"
[ -z "$(record_left)" ] || fail "$row: the guardian left its record: $(record_left)"
xrandr -s "$desktop_mode" && expect_layout "$row: set back by hand"
pass "$row: the guardian left the mode set by hand"

row="killed under unix:${MAIN_DISPLAY#:}, next run under $MAIN_DISPLAY"
export DISPLAY=unix$MAIN_DISPLAY
start_switched "$row"
kill_both "$row"
next_run_at_warning "$row" "$MAIN_DISPLAY" "$layout" "put the desktop back to"
pass_startup_boxes || fail "$row: the next run's window did not appear"
esc_restores "$row, the next run"
pass "$row: one display, the layout back"

row="standard streams closed"
printf '#!/bin/sh\nexec "$@" <&- >&- 2>&-\n' >"$WORK/closed" && chmod +x "$WORK/closed"
SHOW_WRAPPER=$WORK/closed start_switched "$row"
[ "$(readlink "/proc/$SHOW_PID/fd/2")" = /dev/null ] ||
    fail "$row: the show's standard error is [$(readlink "/proc/$SHOW_PID/fd/2")], expected /dev/null"
kill -KILL "$SHOW_PID" && wait_exit 5 && expect_layout "$row: after SIGKILL"
pass "$row: standard error on /dev/null; the guardian put the layout back"

row="a late guardian"
start_switched "$row"
late=$GUARDIAN
kill -STOP "$late" && kill -KILL "$SHOW_PID" && wait_exit 5 || fail "$row: the show still runs"
start_switched "$row: the next show"
grep -q "put the desktop back to" "$WORK/stderr" || fail "$row: the next show said [$(paste -sd '|' "$WORK/stderr")], expected that it put the desktop back"
kill -CONT "$late" && wait_gone "$late" && sleep 0.5 || fail "$row: the continued guardian still runs"
[ "$(primary_mode)" = 640x480 ] || fail "$row: the continued guardian set DUMMY0 to $(primary_mode) under the next show"
esc_restores "$row"
pass "$row: continued under another show's full screen, it left the screen alone"

row="a record the server refuses"
start_switched "$row"
kill_both "$row"
refused=$(record_left | sed 's/^[^"]*"\(.*\)"$/\1/; s/\\ndesktop [0-9]* [0-9]* /\\ndesktop 32767 32767 /')
xprop -root -f _KELVORA_DESKTOP_LAYOUT 8s -set _KELVORA_DESKTOP_LAYOUT "$(printf '%b' "$refused")"$'\n' &&
    [[ $(record_left) == *32767* ]] || fail "$row: could not write the record"
next_run_at_warning "$row" "$MAIN_DISPLAY" "$(desktop_layout)" "dropped the desktop layout recorded on the X display: it could not be put back"
[ -z "$(record_left)" ] || fail "$row: the record is kept: $(record_left)"
kill "$SHOW_PID" && wait_exit 5 && xrandr -s "$desktop_mode" && expect_layout "$row: set back by hand"
pass "$row: dropped, with one line"

# Two shows on one display: the second says the switch failed and plays in a
# window, also under another spelling of the display, without a runtime
# folder, as another user, or beside the first stopped (as Ctrl+Z stops the
# show and its guardian); the desktop comes back whichever ends first, and
# however.
show_window_of() { windows_named Kelvora | awk '$2 == "640x480" {print $1}' | xargs -I@ sh -c "xprop -id @ _NET_WM_PID | grep -q ' = $1\$' && echo @"; }
end_show() {  # $1 = row, $2 = pid, $3 = Escape or KILL
    local first=$SHOW_PID
    SHOW_PID=$2
    [ "$3" = KILL ] && kill -KILL "$2" || { xdotool windowfocus "$(show_window_of "$2")" && xdotool key Escape &&
        close_box "$(wait_box Kelvora 10)"; } || fail "$1: no window or no closing box for process $2"
    wait_exit 5 || fail "$1: process $2 still runs"
    SHOW_PID=$first
}
other_spelling=:0${MAIN_DISPLAY#:}
orders=("first Escape second Escape" "second Escape first Escape" "first KILL second Escape"
    "first Escape second Escape, the second under $other_spelling"
    "first Escape second Escape, the second without a runtime folder"
    "second Escape first Escape, the first stopped")
SKIPPED=
if [ "$(id -u)" = 0 ]; then
    orders+=("first Escape second Escape, the second as user nobody")
else
    SKIPPED="the second show as another user: switching users needs root"
fi
for order in "${orders[@]}"; do
    row="two shows: $order"
    start_switched "$row"
    first=$SHOW_PID
    second_display=$MAIN_DISPLAY second_wrapper=
    case $order in
        *"under $other_spelling") second_display=$other_spelling ;;
        *"runtime folder") second_wrapper="env -u XDG_RUNTIME_DIR" ;;
        *nobody) second_wrapper="setpriv --reuid=nobody --regid=nogroup --clear-groups env -u XDG_RUNTIME_DIR HOME=/" ;;
        *stopped) kill -STOP "$first" "$GUARDIAN" ;;
    esac
    mkdir -p "$WORK/second"
    DISPLAY=$second_display SHOW_WRAPPER=$second_wrapper WORK=$WORK/second start_show
    second=$SHOW_PID SHOW_PID=$second
    for caption in "OpenGL Demo" Kelvora "OpenGL Demo"; do
        box=$(wait_box "$caption" 20) && close_box "$box" || fail "$row: the second show showed no box $caption"
    done
    wait_until_prints 0x 5 eval 'show_window_of $second | cut -c1-2' || fail "$row: the second show plays in no window"
    SHOW_PID=$first
    [[ $order == *stopped ]] && kill -CONT "$first" "$GUARDIAN"
    grep -q "^kelvora: the display was not switched to 640x480: another show has this display in its mode" "$WORK/second/stderr" ||
        fail "$row: the second show said [$(paste -sd '|' "$WORK/second/stderr")], expected that another show has the display"
    set -- ${order%%,*}
    end_show "$row" "${!1}" "$2"
    [ "$1" = first ] && expect_layout "$row: the first ended" || [ "$(primary_mode)" = 640x480 ] ||
        fail "$row: the second show's end left DUMMY0 at $(primary_mode)"
    end_show "$row" "${!3}" "$4"
    expect_layout "$row: both ended"
    [ -z "$(record_left)" ] || fail "$row: a record left after the end: $(record_left)"
    pass "$row: the layout back"
done

xrandr --addmode DUMMY1 800x600 && xrandr --output DUMMY1 --mode 800x600 --pos 1024x168 ||
    fail "could not set up a second monitor"
layout=$(desktop_layout)
rows "two monitors"

# The desktop's own mode, which the user deletes once the show has switched
# away from it: the monitor gets its preferred mode and the screen fits it.
# DUMMY0's preferred mode is 1024x768; DUMMY1 ends at 1824, 768.
dummy0_and_screen() { echo "$(xrandr | sed -n 's/^DUMMY0 connected primary \([^ ]*\) .*/\1/p') $(current_mode)"; }
for row in "a deleted mode, while the show runs" "a deleted mode, between a hard kill and the next run"; do
    xrandr --newmode kelvora-test 58.25 1000 1056 1152 1304 700 703 713 746 -hsync +vsync &&
        xrandr --addmode DUMMY0 kelvora-test && xrandr --output DUMMY0 --mode kelvora-test ||
        fail "could not give DUMMY0 a mode of the user's own"
    start_switched "$row"
    [[ $row == *"hard kill"* ]] && kill_both "$row"
    xrandr --delmode DUMMY0 kelvora-test && xrandr --rmmode kelvora-test || fail "$row: could not delete the mode"
    if [[ $row == *"hard kill"* ]]; then
        start_show
        wait_box "OpenGL Demo" 20 >/dev/null || fail "$row: no warning box"
        kill "$SHOW_PID" && wait_exit 5
    else
        press Escape && close_box "$(wait_box Kelvora 10)" && wait_exit 5 || fail "$row: no closing box or no end"
    fi
    wait_until_prints "1024x768+0+0 1824x768" 2 dummy0_and_screen ||
        fail "$row: DUMMY0 and the screen are [$SEEN], expected DUMMY0's preferred mode and a screen that fits: [1024x768+0+0 1824x768]"
    grep -q "could not be put back whole: DUMMY0's mode is gone: it shows its preferred mode, 1024x768; the screen is 1824x768$" "$WORK/stderr" ||
        fail "$row: stderr [$(paste -sd '|' "$WORK/stderr")], expected what was put back instead"
    pass "$row: $(cat "$WORK/stderr")"
    xrandr --output DUMMY0 --mode "$desktop_mode" || fail "could not set DUMMY0 back by hand"
done
[ -z "$SKIPPED" ] || { echo "SKIP: $SKIPPED"; exit 77; }
