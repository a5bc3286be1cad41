# The screensaver under Wine, started as Windows starts it: /s covers the
# screen without a cursor and ends with status 0 on a key, not on a 2-px
# nudge, and at once at a slow cap; /p draws into a child of its host's
# client size, plays no music and ends with the host; /c's dialog keeps its values in the registry; /a does nothing.
. "$(dirname "$0")/../e2e/lib.sh"
need_display
SHOW_WRAPPER=wine
PROBE=$(dirname "$KELVORA")/tests/saver_probe.exe
[ -f "$PROBE" ] || fail "no probe at $PROBE"
# Without a window manager Wine takes 2 s over each window it destroys,
# unless it leaves its windows unmanaged.
X11_KEY='HKCU\Software\Wine\X11 Driver'
SETTINGS_KEY='HKCU\Software\Kelvora'
wine reg add "$X11_KEY" /v Managed /d N /f >/dev/null 2>&1
trap 'wine reg delete "$X11_KEY" /v Managed /f >/dev/null 2>&1; cleanup' EXIT
SCREEN=$(current_mode)
probe() { wine "$PROBE" "$@" | tr -d '\r'; }
SAVER_TITLE="Kelvora screensaver"
DIALOG_TITLE="Kelvora screensaver settings"

# Waits up to $1 seconds for the saver to end with status 0; $2 says after what.
expect_end() {
    wait_exit "$1" || fail "$2: the saver still runs ${1} s later"
    [ "$EXIT_STATUS" = 0 ] || fail "$2: status $EXIT_STATUS, expected 0; stderr: $(cat "$WORK/stderr")"
}

# Full screen, with Wine's real pointer and keyboard: which inputs end it is
# the Win32 backend's own test; here a nudge does not, then a key does.
xdotool mousemove 512 384
SHOW_OPTIONS=-s start_show
for ((i = 0; i < 100; i++)); do windows_named "$SAVER_TITLE" | grep -q " $SCREEN\$" && break; sleep 0.2; done
((i < 100)) || fail "-s: no $SAVER_TITLE window of $SCREEN; stderr: $(cat "$WORK/stderr")"
# Where the first move message finds the pointer, should the window's
# appearance not have sent one.
xdotool mousemove_relative -- 1 0
sleep 1
cursor=$(probe cursor)
[ "$cursor" = hidden ] || fail "-s: the cursor is $cursor over the saver, expected hidden"
import -window root "$WORK/saver.png" 2>/dev/null
colours=$(colour_count "$WORK/saver.png")
[ "${colours:-0}" -gt 20 ] || fail "-s: the screen shows $colours colours, expected the show's picture"
xdotool mousemove_relative -- 2 0
sleep 1.5
kill -0 "$SHOW_PID" 2>/dev/null || fail "-s: a 2-px nudge ended the saver"
xdotool key shift
expect_end 5 "-s, a key after a nudge"
pass "-s: $SCREEN, no cursor, $colours colours; a 2-px nudge does not end it, a key then does, status 0"

# Preview: the host is the probe's window; the probe destroys it on a line
# on its standard input (not at its end: the saver holds the pipe open too).
# Wine does not show a child's OpenGL on the screen but keeps it in an X
# window of its own, off the screen, nameless, of the child's size: the
# picture is read from there.
mkfifo "$WORK/host.in"
wine "$PROBE" host 152 112 <"$WORK/host.in" >"$WORK/host.out" 2>&1 &
probe_pid=$!
exec 3>"$WORK/host.in"
wait_until_prints 1 20 grep -c '^host ' "$WORK/host.out" || fail "the probe made no host window"
handle=$(tr -d '\r' <"$WORK/host.out" | awk '/^host / {print $2}')
# Silent with the music on: Wine's sound goes to a WAV file through an ALSA
# configuration in a home folder of the preview's own.
wine reg add "$SETTINGS_KEY" /v Music /t REG_DWORD /d 1 /f >/dev/null 2>&1
mkdir "$WORK/home"
printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "%s"\n format "wav"\n}\n' \
    "$WORK/preview.wav" >"$WORK/home/.asoundrc"
SHOW_OPTIONS="/p $handle"
XAUTHORITY=${XAUTHORITY:-$HOME/.Xauthority} HOME=$WORK/home start_show
wait_until_prints 1 20 grep -c '^child\|^no child' "$WORK/host.out"
child=$(tr -d '\r' <"$WORK/host.out" | sed -n 's/^child //p')
[ "$child" = 152x112 ] || fail "$SHOW_OPTIONS: child '$child' in a 152x112 host; stderr: $(cat "$WORK/stderr")"
sleep 1
xdotool mousemove 150 150
cursor=$(probe cursor)
[ "$cursor" = shown ] || fail "$SHOW_OPTIONS: the cursor is $cursor over the preview's host, expected shown"
xdotool key shift click 1
gl=$(xwininfo -root -tree | awk '/has no name/ && / 152x112\+0\+0 / {print $1; exit}')
[ -n "$gl" ] || fail "$SHOW_OPTIONS: no drawing of 152x112 found"
import -window "$gl" "$WORK/preview.png" 2>/dev/null
colours=$(colour_count "$WORK/preview.png")
[ "${colours:-0}" -gt 20 ] || fail "$SHOW_OPTIONS: the preview shows $colours colours, expected the show's picture" \
    "(the saver $(kill -0 "$SHOW_PID" 2>/dev/null && echo runs || echo ended); stderr: $(cat "$WORK/stderr"))"
kill -0 "$SHOW_PID" 2>/dev/null || fail "$SHOW_OPTIONS: a key and a click ended the preview"
echo >&3
exec 3>&-
wait "$probe_pid"
grep -q '^destroyed' "$WORK/host.out" || fail "the probe did not destroy its host"
expect_end 5 "$SHOW_OPTIONS, host destroyed"
level=$(sox --ignore-length "$WORK/preview.wav" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}')
[ ! -s "$WORK/preview.wav" ] || awk -v l="${level:-0}" 'BEGIN {exit !(l < 0.001)}' ||
    fail "$SHOW_OPTIONS: sound of RMS $level with the music on, expected none"
pass "$SHOW_OPTIONS: a 152x112 child drawing $colours colours, cursor shown, input ignored, silent with the music on; ends with its host, status 0"

# Settings: the dialog's values go to the registry when it is confirmed (no
# argument opens it too), not when it is cancelled, and come back in it.
settings() {
    wine reg query "$SETTINGS_KEY" 2>/dev/null | tr -d '\r' | awk '/REG_DWORD/ {print $1 "=" $3}' | sort |
        paste -sd ' '
}
wine reg delete "$SETTINGS_KEY" /f >/dev/null 2>&1
while read -r spelling keys; do
    [ "$spelling" = none ] && spelling=
    SHOW_OPTIONS=$spelling
    start_show
    dialog=$(wait_box "$DIALOG_TITLE") || fail "'$spelling': no dialog '$DIALOG_TITLE'; stderr: $(cat "$WORK/stderr")"
    xdotool windowfocus "$dialog" 2>/dev/null
    [ -z "$SHOW_OPTIONS" ] && import -window root "$WORK/dialog.png"
    xdotool key space Tab
    xdotool type 30
    xdotool key "$keys"
    expect_end 10 "'$spelling', $keys"
    expected=
    [ "$keys" = Return ] && expected="FramesPerSecond=0x1e Music=0x1"
    [ "$(settings)" = "$expected" ] || fail "'$spelling', $keys: the registry holds '$(settings)', expected '$expected'"
    pass "'$spelling': music ticked, 30 typed, $keys: the registry holds '$expected'"
done <<'ROWS'
/c   Escape
none Return
ROWS
SHOW_OPTIONS=-C
start_show
shown=$(probe box "$DIALOG_TITLE" | paste -sd '|')
expect_end 10 "-C, cancelled"
grep -q '|30|' <<<"|$shown|" && grep -q 'music \[x\]' <<<"$shown" ||
    fail "-C: the dialog shows '$shown', expected the music ticked and 30"
pass "-C: the dialog shows the saved values ($shown)"

# At a cap of one frame a second a key still ends the saver at once: its wait
# for the next frame ends on input. Twice, at whatever point of a frame the
# key comes: a plain sleep would take a quarter of a second or less only one
# time in five or so.
wine reg add "$SETTINGS_KEY" /v FramesPerSecond /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$SETTINGS_KEY" /v Music /t REG_DWORD /d 0 /f >/dev/null 2>&1
SHOW_OPTIONS=/s
took=()
for run in 1 2; do
    start_show
    for ((i = 0; i < 100; i++)); do windows_named "$SAVER_TITLE" | grep -q " $SCREEN\$" && break; sleep 0.2; done
    ((i < 100)) || fail "/s at 1 a second: no $SAVER_TITLE window; stderr: $(cat "$WORK/stderr")"
    sleep "2.$((RANDOM % 10))"
    xdotool key shift
    pressed=$(date +%s%N)
    while kill -0 "$SHOW_PID" 2>/dev/null && (($(date +%s%N) - pressed < 5000000000)); do sleep 0.01; done
    took+=($((($(date +%s%N) - pressed) / 1000000)))
    expect_end 1 "/s at 1 a second, a key"
    ((took[-1] <= 250)) || fail "/s at 1 a second: a key ended it after ${took[-1]} ms, expected 250 at most"
done
pass "/s at 1 frame a second: a key ended it after ${took[*]} ms"

SHOW_OPTIONS=/a
start_show
expect_end 10 /a
pass "/a: status 0"

# The pictures, for a person to look at.
if [ -n "${SAVER_SCREENSHOTS:-}" ]; then
    mkdir -p "$SAVER_SCREENSHOTS" && cp "$WORK"/saver.png "$WORK"/preview.png "$WORK"/dialog.png "$SAVER_SCREENSHOTS/"
fi
