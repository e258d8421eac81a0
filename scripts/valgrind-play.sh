#!/usr/bin/env bash
# Plays the normal build's game under valgrind's memcheck on its own virtual
# display: VALGRIND_SECONDS (default 30) of the scripted random player, which
# waits for a new picture between inputs, then Escape, again every minute
# while the game runs. Fails on any error memcheck reports outside the
# suppressions of tests/support/valgrind.supp, which cover only the OpenGL
# driver and the X libraries. Leaks are LeakSanitizer's part (the long play).
# The full log stays in <builddir>/test-results/valgrind.log.
# Usage: valgrind-play.sh [builddir]
set -u
build=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${FORMIK_VALGRIND_DISPLAY:-}" ]; then
    exec env FORMIK_VALGRIND_DISPLAY=1 "$root/tests/support/with-xvfb.sh" bash "$0" "$build"
fi
. "$root/tests/e2e/lib.sh"

seconds=${VALGRIND_SECONDS:-30}
seed=${VALGRIND_SEED:-5}
results=$build/test-results
memcheck=$results/valgrind.log
mkdir -p "$results"
trap stop_game EXIT

fail() {
    echo "valgrind: FAIL: $*"
    [ -f "$memcheck" ] && grep -m 20 -E '^==[0-9]+== (Invalid|Conditional|Use of|Syscall param|  (at|by) )' "$memcheck"
    exit 1
}

command -v valgrind >/dev/null || fail "valgrind is not installed (scripts/install-deps.sh)"
[ -x "$build/formik" ] && [ -d "$build/data" ] || fail "build $build first"
if sanitized "$build/formik"; then
    fail "$build is a sanitizer build; valgrind needs the normal one"
fi

# Mesa's software renderer hands each frame to worker threads, which memcheck
# runs one at a time with long switches: with them a frame of play takes
# minutes. Rendering on the game's own thread keeps it to seconds.
start=$SECONDS
log=$results/valgrind-game.log
run_in "$build" \
    env LP_NUM_THREADS=0 valgrind -v --tool=memcheck --error-exitcode=99 --num-callers=40 --leak-check=no \
    --track-origins=yes --suppressions="$root/tests/support/valgrind.supp" \
    --gen-suppressions=all --log-file="$memcheck" ./formik
# Everything runs about fifty times slower under memcheck, and slower still
# on a busy machine.
wait_window 1200
case $? in
1) fail "no game window within 1200 s" ;;
2) fail "the game ended before showing its window: $(tail -n 3 "$results/valgrind-game.log")" ;;
esac
wait_drawn 1200 || fail "nothing drawn within 1200 s"
echo "valgrind: first picture after $((SECONDS - start)) s; playing ${seconds} s (seed $seed)"
tap Up 0.2
tap x 0.5
random_player "$seconds" "$seed" || fail "the game ended during play"
echo "valgrind: a frame took ${frame_time} s; each input waited up to ${frame_wait} s for a new picture"
quit 600 60 || fail "the game did not quit on $escapes Escape presses"
echo "valgrind: quit after $escapes Escape press(es)"

# The log holds one summary per process (the game and any child it forks).
summary=$(grep -E 'ERROR SUMMARY' "$memcheck" | sed 's/^==[0-9]*== //' | sort -u)
suppressed=$(grep -A 100 'used_suppression' "$memcheck" | grep -E 'used_suppression' | sed 's/.*used_suppression: *//')
echo "$summary" | sed 's/^/valgrind: /'
[ -n "$suppressed" ] && echo "valgrind: suppressed (count name):" && echo "$suppressed" | sed 's/^/  /'
[ "$status" -eq 0 ] || fail "the game exited with status $status"
! grep -qE 'ERROR SUMMARY: [1-9]' "$memcheck" || fail "memcheck found errors; see $memcheck"
echo "valgrind: passed in $((SECONDS - start)) s"
