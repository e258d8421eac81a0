#!/usr/bin/env bash
# The long checks that `make test` only samples: SOAK_SECONDS (default 300) of
# scripted play in the sanitizer build with the memory record, the valgrind
# run of the normal build, the whole hostile data matrix and a longer fuzzing
# budget (FUZZ_SECONDS per target, default 300). Ends with one
# "N passed, N failed" line. Usage: run-soak.sh [build] [build-asan]
set -u
normal=$(cd "${1:-build}" && pwd)
asan=$(cd "${2:-build-asan}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)

passed=0
failed=0
step() {
    local name=$1
    shift
    echo "=== Soak: $name"
    local start=$SECONDS
    if "$@"; then
        passed=$((passed + 1))
        echo "--- $name passed in $((SECONDS - start)) s"
    else
        failed=$((failed + 1))
        echo "--- $name FAILED after $((SECONDS - start)) s"
    fi
}

# Through CTest, which sets up the display and the game's environment; more
# arguments go to CTest.
e2e() {
    local name=$1
    shift
    (cd "$asan" && ctest --output-on-failure --no-tests=error -R "^e2e_$name\$" "$@")
}
# Verbose, so that a pass shows the memory figures too.
long_play() { SOAK_SECONDS=${SOAK_SECONDS:-300} e2e long_play_test -V; }
all_hostile_data() { HOSTILE_ALL=1 e2e hostile_data_test; }

step "long play" long_play
step "valgrind" bash "$root/scripts/valgrind-play.sh" "$normal"
step "hostile data" all_hostile_data
step "fuzzing" env FUZZ_SECONDS="${FUZZ_SECONDS:-300}" bash "$root/scripts/run-fuzz.sh"
echo "soak: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
