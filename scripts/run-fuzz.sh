#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (under AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a fixed budget from a copy of
# its committed seed corpus. Fails on any crash, sanitizer report, leak or
# timeout; writes build-fuzz/test-results/ctest.xml and keeps crashing inputs
# there. FUZZ_SECONDS sets the budget per target (default 30). The font target
# also starts from the game's own font when a build has made the data directory.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-30}
results=$build/test-results
targets=()
for src in "$root"/fuzz/*_fuzzer.cpp; do
  targets+=("$(basename "$src" .cpp)")
done

echo "=== Fuzzing: ${targets[*]} (${seconds} s each, $build)"
mkdir -p "$build"
if ! CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DFORMIK_FUZZ=ON -DFORMIK_TESTS=OFF -DFORMIK_BENCH=OFF >"$build/configure.log" 2>&1 ||
   ! cmake --build "$build" --target "${targets[@]}" -j "$(nproc)"; then
  echo "Fuzz build failed (see $build/configure.log)."
  exit 1
fi

rm -rf "$results"
mkdir -p "$results"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1"
# The tests' suppressions: leaks inside system libraries (SDL_image's WebP reader).
export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
cases=""
for target in "${targets[@]}"; do
  name=${target%_fuzzer}
  corpus=$(mktemp -d)
  cp "$root/fuzz/corpus/$name/." "$corpus/" -r
  if [ "$name" = font_text ]; then
    for font in "$root"/build/data/*.ttf; do
      [ -f "$font" ] && cp "$font" "$corpus/game-font.ttf"
    done
  fi
  dict=()
  [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
  log=$results/$name.log
  start=$(date +%s)
  "$build/fuzz/$target" "$corpus" "${dict[@]}" -seed=1 -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -close_fd_mask=1 -print_final_stats=1 \
    -artifact_prefix="$results/$name-" >"$log" 2>&1
  rc=$?
  elapsed=$(($(date +%s) - start))
  rm -rf "$corpus"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$rc" -eq 0 ] && ! grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
    echo "fuzz $name: passed, ${runs:-?} runs in ${elapsed} s"
    cases+="  <testcase name=\"fuzz_$name\" classname=\"fuzz\" time=\"$elapsed\" status=\"run\"/>"$'\n'
  else
    echo "fuzz $name: FAILED (exit $rc); log $log; crashing inputs in $results/$name-*"
    grep -m 5 -E 'ERROR|runtime error|SUMMARY|Test unit written' "$log"
    cases+="  <testcase name=\"fuzz_$name\" classname=\"fuzz\" time=\"$elapsed\" status=\"fail\"><failure message=\"exit $rc, see $name.log\"/></testcase>"$'\n'
    status=1
  fi
done

{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo "<testsuite name=\"fuzz\" tests=\"${#targets[@]}\">"
  printf '%s' "$cases"
  echo '</testsuite>'
} >"$results/ctest.xml"
exit $status
