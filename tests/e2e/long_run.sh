# The show draws at least N frames (default 2000) without a fault, then ends
# normally with Esc. scripts/test runs it on the sanitizer build, where any
# sanitizer report ends the process with a failure status.
# Usage: long_run.sh path/to/kelvora [frames]
. "$(dirname "$0")/lib.sh"
# Whatever goes wrong, the sanitizers' words are on the show's standard error.
fail() { echo "FAIL: $*"; echo "--- standard error of the show:"; tail -n 60 "$WORK/stderr"; exit 1; }
need_display
wanted=${2:-2000}

start_counted_show
pass_startup_boxes || fail "the show's window did not appear; stderr: $(cat "$WORK/stderr")"
for ((i = 0; i < 1200; i++)); do
    [ "$(frames_drawn)" -ge "$wanted" ] && break
    kill -0 "$SHOW_PID" 2>/dev/null || fail "the show ended after $(frames_drawn) frames"
    sleep 0.5
done
[ "$(frames_drawn)" -ge "$wanted" ] || fail "only $(frames_drawn) of $wanted frames in 10 minutes"
pass "$(frames_drawn) frames drawn"
end_with_esc
grep -q 'Sanitizer' "$WORK/stderr" && fail "a sanitizer report"
pass "$(frames_drawn) frames in all, nothing on standard error from the sanitizers"
