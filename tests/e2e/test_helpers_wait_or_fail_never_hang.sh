# The scripts' own helpers, where a mistake would hang a run or fail it at
# once: apt_get waits for a package manager that holds the package lists'
# lock (which apt-get's own timeout does not cover) and goes on when it lets
# go; a box that never came fails its test with a message, where xwininfo and
# xdotool, given no window id, would wait for a mouse click until ctest's
# timeout.
. "$(dirname "$0")/lib.sh"
. "$REPO/scripts/lib.sh"

# A package manager holding the lists' lock for 2 s, as apt-get update does.
lists_lock=$WORK/lists-lock
touch "$lists_lock"
flock "$lists_lock" sleep 2 &
holder=$!
for ((i = 0; i < 50; i++)); do grep -q ":$(stat -c %i "$lists_lock") " /proc/locks && break; sleep 0.1; done
APT_LOCKS="$WORK/no-dpkg-lock $lists_lock"
said=$(wait_for_apt_locks) || fail "the wait for the lists' lock failed: $said"
kill -0 "$holder" 2>/dev/null && fail "the wait ended while the lists' lock was still held"
grep -q "holds $lists_lock" <<<"$said" || fail "the wait said '$said', expected it to name $lists_lock"
pass "waited for the package lists' lock until its holder let go: $said"

# Run in the background with a limit: the fault is a hang.
(close_box '') >"$WORK/close_box.out" 2>&1 &
closer=$!
for ((i = 0; i < 50; i++)); do kill -0 "$closer" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$closer" 2>/dev/null; then
    kill "$closer"
    fail "close_box with no window id still waits after 5 s"
fi
wait "$closer" && fail "close_box with no window id succeeded"
grep -q 'no box to close' "$WORK/close_box.out" || fail "close_box said '$(cat "$WORK/close_box.out")', expected 'no box to close'"
pass "close_box without a window id fails at once: $(cat "$WORK/close_box.out")"
