#!/usr/bin/env bash
# One version everywhere: the programs' --version, the man pages, the VS Code manifest, the
# change logs, all equal to the project's; and `corvel --version` never takes a script path away.
# Usage: version_test.sh BUILD_DIR SOURCE_DIR VERSION
set -uo pipefail
build=$1 source=$2 version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
failed=0

# Runs a command; fails unless its status and standard output are the expected ones.
expect() {
  local status=$1 stdout=$2
  shift 2
  local out code
  out=$("$@" 2>/dev/null </dev/null)
  code=$?
  if [ "$code" != "$status" ] || [ "$out" != "$stdout" ]; then
    echo "$*: status $code, printed '$out'; expected status $status, '$stdout'"
    failed=1
  fi
}
# Fails unless `found`, the version `where` says, is the project's.
expect_version() {
  if [ "$2" != "$version" ]; then
    echo "$1 says version '$2', not '$version'"
    failed=1
  fi
}

expect 0 "corvel $version" "$build/corvel" --version
expect 0 "corvel-check $version" "$build/corvel-check" --version
expect 0 "corvel-lsp $version" "$build/corvel-lsp" --version
# Not the only argument: the old reading, where the first argument is the script path.
expect 1 "$build/corvel: Unknown option: extra.cv
Cannot open script: --version" "$build/corvel" --version extra.cv
# A script named --version runs rather than the option.
printf 'print [the script ran\\n]\n' >--version
expect 0 "the script ran" "$build/corvel" --version
rm -- --version
# A folder of that name is no script either, but something exists there: it is still the path.
mkdir -- --version
expect 1 "Cannot open script: --version" "$build/corvel" --version
rmdir -- --version
# The version reaches a full disk as any output does: the failed write is the status.
if [ -w /dev/full ]; then
  "$build/corvel" --version >/dev/full 2>/dev/null
  code=$?
  if [ "$code" != 1 ]; then
    echo "corvel --version >/dev/full ended with status $code, not 1"
    failed=1
  fi
fi

for page in corvel corvel-check corvel-lsp; do
  header=$(head -1 "$build/man/$page.1")
  expect_version "the header of $page.1 ($header)" \
    "$(sed -n 's/^\.TH .* "Corvel \([^"]*\)" .*/\1/p' <<<"$header")"
done
expect_version "the VS Code manifest" "$(python3 -c \
  'import json, sys; print(json.load(open(sys.argv[1]))["version"])' \
  "$build/editors/vscode/package.json")"
expect_version "the newest entry of CHANGELOG.md" \
  "$(sed -n 's/^## \([^ ]*\) .*/\1/p' "$source/CHANGELOG.md" | awk 'NR == 1')"
expect_version "the newest entry of debian/changelog" \
  "$(sed -n '1s/^corvel (\([^)]*\)).*/\1/p' "$source/debian/changelog")"
exit "$failed"
