# Starting an X server of one's own, as root or as an ordinary user. Sourced by
# scripts/lib.sh and tests/e2e/lib.sh.

# Xorg with the dummy driver opens no device, so any user may run it; but
# Debian's setuid wrapper (xserver-xorg-legacy, when installed) turns away
# users without a console, so the server binary itself is called.
XORG_BIN=/usr/lib/xorg/Xorg
[ -x "$XORG_BIN" ] || XORG_BIN=Xorg

# Runs the X server command "$2 $3 ..." on the first free display number from
# $1, the display inserted as its first argument; exports DISPLAY and sets
# X_SERVER_PID once the server answers. Others start servers on this machine
# too: a number taken meanwhile makes ours exit (the server that answers there
# is not ours: its lock file names another process), and the next one is tried.
start_x_server() {
    local n=$1 try i
    shift
    for try in 1 2 3; do
        while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
        "$1" ":$n" "${@:2}" >/dev/null 2>&1 &
        X_SERVER_PID=$!
        for ((i = 0; i < 50; i++)); do
            sleep 0.2
            kill -0 "$X_SERVER_PID" 2>/dev/null || break
            [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$X_SERVER_PID" ] &&
                xwininfo -display ":$n" -root >/dev/null 2>&1 && {
                # The show then plays on this server, also when started from
                # a Wayland desktop, where it would be a client of that.
                export DISPLAY=:$n
                unset WAYLAND_DISPLAY
                return 0
            }
        done
        kill "$X_SERVER_PID" 2>/dev/null
        wait "$X_SERVER_PID" 2>/dev/null || true
        n=$((n + 1))
    done
    X_SERVER_PID=
    return 1
}

# Xorg with the dummy driver and config file $2 (its RandR really switches
# modes) from display number $1 on, logging to $3.
start_xorg_dummy() {
    start_x_server "$1" "$XORG_BIN" -config "$2" -noreset -nolisten tcp -logfile "$3"
}
