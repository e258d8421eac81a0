#!/usr/bin/env bash
# Measures the game's start-up: from starting the process to the first drawn
# frame (the title screen's picture in the window), on its own virtual display.
# Prints each run and the median. Usage: startup-time.sh <builddir> [runs]
set -u
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${FORMIK_STARTUP_DISPLAY:-}" ]; then
    exec env FORMIK_STARTUP_DISPLAY=1 "$root/tests/support/with-xvfb.sh" bash "$0" "$build" "$runs"
fi

frame=$(mktemp --suffix=.png)
trap 'rm -f "$frame"' EXIT
times=()
for run in $(seq 1 "$runs"); do
    start=$(date +%s.%N)
    (cd "$build" && exec ./formik) >/dev/null 2>&1 &
    pid=$!
    shown=""
    while kill -0 "$pid" 2>/dev/null; do
        window=$(xdotool search --onlyvisible --name '^Formik$' 2>/dev/null | head -n 1)
        if [ -n "$window" ] && import -window "$window" "$frame" 2>/dev/null; then
            lit=$(convert "$frame" -colorspace Gray -format '%[fx:mean]' info: 2>/dev/null)
            if awk -v m="${lit:-0}" 'BEGIN { exit !(m > 0.02) }'; then
                shown=$(date +%s.%N)
                break
            fi
        fi
        sleep 0.02
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ -z "$shown" ]; then
        echo "run $run: no frame was shown"
        exit 1
    fi
    t=$(awk -v a="$start" -v b="$shown" 'BEGIN { printf "%.3f", b - a }')
    echo "run $run: first frame after $t s"
    times+=("$t")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
echo "start-up to first frame: median $median s over $runs runs (the polling adds up to about 0.1 s)"
