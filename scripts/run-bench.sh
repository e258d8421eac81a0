#!/usr/bin/env bash
# Runs every benchmark binary of a build, each benchmark repeated so that the
# report shows mean, median and spread (the machine is shared and noisy).
# BENCH_REPETITIONS sets the repetitions (default 5); extra arguments go to
# every binary (for example --benchmark_filter=Morph).
set -u
build=${1:-build}
shift || true
repetitions=${BENCH_REPETITIONS:-5}
status=0
found=0
root=$(cd "$(dirname "$0")/.." && pwd)
for bench in "$build"/bench/*_bench; do
  [ -x "$bench" ] || continue
  found=1
  echo "=== $(basename "$bench")"
  if [ "$(basename "$bench")" = frame_bench ]; then
    # Whole game frames need a window: their own virtual display, one run (each
    # benchmark already times hundreds of frames and reports percentiles).
    "$root/tests/support/with-xvfb.sh" "$bench" --benchmark_counters_tabular=true "$@" || status=1
    continue
  fi
  if [ "$(basename "$bench")" = startup_bench ]; then
    # A driver builds its drawing code once per process: a process per run.
    for titleFrames in 125 1; do
      "$root/tests/support/with-xvfb.sh" "$bench" --benchmark_filter="/$titleFrames/" \
        --benchmark_counters_tabular=true "$@" || status=1
    done
    continue
  fi
  "$bench" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_counters_tabular=true "$@" || status=1
done
if [ -x "$build/formik" ]; then
  echo "=== start-up"
  bash "$root/scripts/startup-time.sh" "$build" || status=1
fi
if [ "$found" -eq 0 ]; then
  echo "No benchmarks in $build/bench (configure with -DFORMIK_BENCH=ON)."
  exit 1
fi
exit $status
