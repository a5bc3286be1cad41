# However the show's process dies (a crash, SIGKILL, its window killed or
# destroyed by another client, an X error), its display guardian puts the
# desktop's mode back within 2 s and ends too. A closed standard error does
# not end the show at all.
. "$(dirname "$0")/lib.sh"
need_display

for death in SEGV ABRT QUIT KILL windowkill windowclose; do
    start_show
    pass_startup_boxes || fail "$death: the show's window did not appear; stderr: $(cat "$WORK/stderr")"
    can_switch_mode && expect_mode 640x480 "$death: while the show runs"
    guardian=$(guardian_of_show)
    case $death in
        window*) xdotool "$death" "$(wait_show_window 5)" ;;
        *) kill -"$death" "$SHOW_PID" ;;
    esac
    wait_exit 5 || fail "$death: the show still runs 5 s later"
    expect_mode "$DESKTOP_MODE" "$death (status $EXIT_STATUS)"
    [ -n "$guardian" ] || fail "$death: the show had no guardian process"
    wait_gone "$guardian" || fail "$death: the guardian still runs 2 s after the show"
    pass "$death: status $EXIT_STATUS, desktop back, guardian gone"
done

# `kelvora 2>&1 | true`: Mesa's loader, made verbose, writes to a pipe that
# nobody reads any more.
(cd "$REPO" && LIBGL_DEBUG=verbose exec env --default-signal "$KELVORA" >"$WORK/stdout" 2> >(exit 0)) &
SHOW_PID=$!
pass_startup_boxes || { wait_exit 1; fail "closed stderr: no window; the show ended with status $EXIT_STATUS"; }
assert_frames_drawn
end_with_esc
pass "closed stderr: the show runs and ends as usual"
