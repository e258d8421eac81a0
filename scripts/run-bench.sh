#!/usr/bin/env bash
# Runs every benchmark program of a build directory; fails if one fails.
set -u
build=${1:-build}
status=0
found=0
for bench in "$build"/bench/*_bench; do
    [ -x "$bench" ] || continue
    found=1
    echo "=== $(basename "$bench")"
    "$bench" || status=1
done
[ "$found" -eq 1 ] || echo "No benchmarks built in $build/bench yet."
exit $status
