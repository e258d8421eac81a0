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
for bench in "$build"/bench/*_bench; do
  [ -x "$bench" ] || continue
  found=1
  echo "=== $(basename "$bench")"
  "$bench" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_counters_tabular=true "$@" || status=1
done
if [ "$found" -eq 0 ]; then
  echo "No benchmarks in $build/bench (configure with -DFORMIK_BENCH=ON)."
  exit 1
fi
exit $status
