# The scripts' helpers where a mistake would hang a run or fail it at once:
# apt_get waits for whoever holds the package lists' lock (apt-get's own
# timeout does not cover it); close_box without a window id (a box that never
# came) fails, where xwininfo would wait for a click until ctest's timeout.
. "$(dirname "$0")/lib.sh"
. "$REPO/scripts/lib.sh"

lists_lock=$WORK/lists-lock
touch "$lists_lock"
flock "$lists_lock" sleep 2 &
holder=$!
for ((i = 0; i < 50; i++)); do grep -q ":$(stat -c %i "$lists_lock") " /proc/locks && break; sleep 0.1; done
said=$(APT_LOCKS="$WORK/no-dpkg-lock $lists_lock" wait_for_apt_locks) || fail "the wait failed: $said"
kill -0 "$holder" 2>/dev/null && fail "the wait ended while the lists' lock was still held"
pass "waited for the package lists' lock until its holder let go: $said"

(close_box '') >"$WORK/close_box.out" 2>&1 &
closer=$!
wait_gone $closer || { kill $closer; fail "close_box with no window id still waits after 2 s"; }
grep -q 'FAIL: close_box: no box' "$WORK/close_box.out" || fail "close_box said '$(cat "$WORK/close_box.out")', expected a failure"
pass "close_box without a window id fails at once: $(cat "$WORK/close_box.out")"
