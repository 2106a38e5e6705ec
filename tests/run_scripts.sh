#!/usr/bin/env bash
# Runs golden scripts outside ctest: tests/run_scripts.sh [theme ...] (all themes without one).
# CORVEL names the interpreter (default build/corvel); failures print the comparison.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
corvel=${CORVEL:-$top/build/corvel}
themes=("$@")
[ ${#themes[@]} -gt 0 ] || themes=($(ls "$top/tests/scripts"))
passed=0 failed=0
for theme in "${themes[@]}"; do
  for script in "$top/tests/scripts/$theme"/*.cv; do
    name=$(basename "$script" .cv)
    if out=$(cmake -DCORVEL="$corvel" -DSCRIPT="$script" \
        -DSCRATCH="${TMPDIR:-/tmp}/corvel-scripts/$theme/$name" -P "$top/tests/run_script.cmake" 2>&1); then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      printf 'FAIL %s/%s\n%s\n' "$theme" "$name" "$out"
    fi
  done
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
