#!/usr/bin/env bash
# Times the loop and string benchmarks in Corvel and, where installed, in Python, Perl, Tcl and
# Lua, running each program the same way: best of five whole runs, start-up included.
set -u
here=$(cd "$(dirname "$0")" && pwd)
corvel=${CORVEL:-$here/../build/corvel}
best() {
  local best=999999 t start
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$@" > /dev/null || return 1
    t=$(( ($(date +%s%N) - start) / 1000000 ))
    [ "$t" -lt "$best" ] && best=$t
  done
  echo "$best"
}
printf '%-10s %8s %8s %8s %8s %8s\n' bench corvel python3 perl tclsh lua
for name in loop strings; do
  row=$(best "$corvel" "$here/scripts/$name.cv")
  for tool in python3:py perl:pl tclsh:tcl lua:lua; do
    cmd=${tool%%:*} ext=${tool##*:}
    if command -v "$cmd" > /dev/null; then row="$row $(best "$cmd" "$here/compare/$name.$ext")"; else row="$row -"; fi
  done
  printf '%-10s' "$name"; printf ' %6s ms' $row; echo
done
