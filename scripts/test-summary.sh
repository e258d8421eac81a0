#!/usr/bin/env bash
# Counts test cases over CTest's JUnit reports: a CTest test that wrote a
# GoogleTest XML report counts its cases, any other counts as one.
passed=0
failed=0
attr() { sed -n "s/.*$1=\"\([0-9]*\)\".*/\1/p" | head -n 1; }
for dir in "$@"; do
  [ -f "$dir/ctest.xml" ] || continue
  while IFS= read -r line; do
    name=$(printf '%s' "$line" | sed -n 's/.*<testcase name="\([^"]*\)".*/\1/p')
    status=$(printf '%s' "$line" | sed -n 's/.* status="\([a-z]*\)".*/\1/p')
    xml="$dir/$name.xml"
    if [ -f "$xml" ]; then
      head=$(grep -m1 '<testsuites' "$xml")
      t=$(printf '%s' "$head" | attr tests)
      f=$(printf '%s' "$head" | attr failures)
      e=$(printf '%s' "$head" | attr errors)
      d=$(printf '%s' "$head" | attr disabled)
      s=$(grep -c '<skipped' "$xml")
      bad=$((f + e))
      passed=$((passed + t - bad - d - s))
      if [ "$status" = "fail" ] && [ "$bad" -eq 0 ]; then bad=1; fi
      failed=$((failed + bad))
    elif [ "$status" = "run" ]; then
      passed=$((passed + 1))
    elif [ "$status" = "fail" ]; then
      failed=$((failed + 1))
    fi
  done < <(grep '<testcase ' "$dir/ctest.xml")
done
echo "$passed passed, $failed failed"
