#!/usr/bin/env bash
# Runs the whole suite in the normal and the sanitizer build and ends with one
# "N passed, N failed" line over every test case that ran.
set -u
normal=${1:-build}
asan=${2:-build-asan}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0


run_ctest() {
  local dir=$1 label=$2
  echo "=== Tests: $label ($dir)"
  rm -rf "$dir/test-results"
  mkdir -p "$dir/test-results"
  (cd "$dir" && ctest --output-on-failure --output-junit test-results/ctest.xml) 2>&1 | tee "$dir/test-results/ctest.log"
  local rc=${PIPESTATUS[0]}
  if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$dir/test-results/ctest.log"; then
    echo "Sanitizer report in the $label run."
    rc=1
  fi
  [ "$rc" -eq 0 ] || status=1
}

run_ctest "$normal" normal
run_ctest "$asan" sanitizers
if [ -x "$root/scripts/run-fuzz.sh" ]; then
  bash "$root/scripts/run-fuzz.sh" || status=1
fi

bash "$root/scripts/test-summary.sh" "$normal/test-results" "$asan/test-results" "${FUZZ_RESULTS:-build-fuzz/test-results}"
exit $status
