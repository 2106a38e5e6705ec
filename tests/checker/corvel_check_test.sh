#!/usr/bin/env bash
# corvel-check as a program: what it prints where, its exit statuses, several scripts in one call,
# and a pass over every script of the repository without a crash.
# Usage: corvel_check_test.sh CORVEL_CHECK SOURCE_DIR
set -uo pipefail
checker=$1
source_dir=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
failed=0

# Runs the checker on the given paths; fails unless the status, standard output and standard error
# are the expected ones.
expect() {
  local status=$1 stdout=$2 stderr=$3
  shift 3
  local out err code
  out=$("$checker" "$@" 2>err.txt)
  code=$?
  err=$(cat err.txt)
  if [ "$code" != "$status" ] || [ "$out" != "$stdout" ] || [ "$err" != "$stderr" ]; then
    echo "corvel-check $*: status $code (expected $status)"
    echo "stdout: $out"
    echo "expected: $stdout"
    echo "stderr: $err"
    echo "expected: $stderr"
    failed=1
  fi
}

printf '#!/usr/bin/env corvel\nint $n\nset $n ($n + 1)\nprint [$n\\n]\n' >clean.cv
printf 'string $seen $h\npirnt [$seen/$h\\n]\n' >bad.cv
printf 'print [a]\r\nprint [b])\r\n' >fault.cv
mkdir folder

bad_out="bad.cv:2: warning: 'pirnt' is no command; the line does nothing (did you mean 'print'?) [unknown-command]
bad.cv:2: warning: '\$seen/\$h' is one reference, to a variable named 'seen/\$h'; end it with '#' as in '\$seen#/\$h' [run-on-reference]"

expect 0 "" "" clean.cv
expect 1 "$bad_out" "" bad.cv
expect 1 "$bad_out" "" clean.cv bad.cv clean.cv
expect 1 "fault.cv:2: error: Unexpected ')': corvel refuses the whole script, so none of it runs (write '\\)' for a plain bracket) [load-error]" "" fault.cv
expect 2 "$bad_out" "corvel-check: cannot read missing.cv" missing.cv bad.cv
expect 2 "" "corvel-check: cannot read folder" folder clean.cv
expect 2 "" "Usage: corvel-check [--format=text|--format=json] SCRIPT..."

# The report for tools: codes, places counted three ways, fixes, and the same statuses.
expect 2 "" "corvel-check: unknown format: --format=yaml" --format=yaml bad.cv
printf 'string $h\nprint [\xc3\xa9\xf0\x9f\x98\x80 $h.]\n' >wide.cv
"$checker" --format=json wide.cv missing.cv >report.json 2>err.txt
code=$?
if [ "$code" != 2 ] || ! python3 - report.json <<'PY'
import json, sys
reports = json.load(open(sys.argv[1]))
assert [r["path"] for r in reports] == ["wide.cv"], reports
[finding] = reports[0]["findings"]
assert finding["code"] == "run-on-reference" and finding["severity"] == "warning", finding
assert finding["line"] == 2
start, end = finding["range"]["start"], finding["range"]["end"]
# "print [" then e-acute (2 bytes, 1 unit) and an emoji (4 bytes, 2 units) and a blank.
assert (start["line"], start["byte"], start["utf16"], start["offset"]) == (2, 14, 11, 24), start
assert (end["byte"], end["utf16"]) == (17, 14), end
fix = finding["fix"]
assert fix["text"] == "h#." and fix["range"]["start"]["utf16"] == 12, fix
PY
then
  echo "corvel-check --format=json: status $code, report:"
  cat report.json
  failed=1
fi

# Many of these scripts hold faults on purpose, so warnings are expected; a crash or a refusal is not.
"$checker" "$source_dir"/tests/scripts/*/*.cv "$source_dir"/examples/*.cv >all.txt 2>&1
code=$?
if [ "$code" != 0 ] && [ "$code" != 1 ]; then
  echo "corvel-check over the repository's scripts: status $code"
  tail -5 all.txt
  failed=1
fi
exit "$failed"
