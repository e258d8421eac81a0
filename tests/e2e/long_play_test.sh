#!/usr/bin/env bash
# Long play, in both builds: a seeded random player walks, turns and throws for
# SOAK_SECONDS (default 60; `make soak` plays 300 in the sanitizer build); the
# picture must not go black, and Escape must end the game with status 0 and no
# sanitizer or leak report. The resident memory is sampled once a second; after
# the warm-up (the first minute, or a third of a shorter game) it must not grow
# by more than 10 %.
. "$(dirname "$0")/lib.sh"
e2e_init "$1"
seconds=${SOAK_SECONDS:-60}
seed=${SOAK_SEED:-8}
[ -d data ] || fail "no data directory in $PWD"

# A small quarantine fills within the warm-up, so that freed memory held back
# for use-after-free checks does not read as growth.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}:quarantine_size_mb=16"
launch "$PWD"
wait_window 180 || fail "the game showed no window"
wait_drawn 120 || fail "the game drew nothing"
start=$SECONDS
(
    while rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null); do
        echo "$((SECONDS - start)) $rss"
        sleep 1
    done
) >"$work/memory" &
sampler=$!
tap Up 0.2
tap x 0.5
random_player "$seconds" "$seed" || fail "the game ended during play (seed $seed)"
# Grabbing the window takes part of each measured frame; a sanitizer build on a
# busy machine stays well under the bound.
check "$frame_time" '<' "${MAX_FRAME_SECONDS:-2}" || fail "a frame took $frame_time s"
shot last
last=$(mean last 0 0 640 480)
check "$last" '>' 0.02 || fail "the picture went black ($last)"
stop_sampler
expect_exit 0 Escape 120

warmup=60
[ "$seconds" -ge 180 ] || warmup=$((seconds / 3))
summary=$(awk -v warmup="$warmup" '
    NR == 1 { start = $2 }
    base == "" && $1 >= warmup { base = $2; baseAt = $1 }
    $2 > peak { peak = $2 }
    { last = $2; lastAt = $1 }
    END {
        if (base == "") exit 1
        printf "memory: %d kB at start, %d kB after %d s, %d kB at %d s (peak %d kB): %+.1f %%\n",
            start, base, baseAt, last, lastAt, peak, 100 * (last - base) / base
        exit (last > base * 1.10) ? 2 : 0
    }' "$work/memory")
grown=$?
echo "$summary"
[ "$grown" -ne 1 ] || fail "too few memory samples ($(wc -l <"$work/memory"))"
[ "$grown" -eq 0 ] || fail "memory grew by more than 10 % after the warm-up"
echo "PASS: ${seconds} s of play (seed $seed), $frame_time s a frame"
