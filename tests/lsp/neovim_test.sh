#!/usr/bin/env bash
# Neovim's built-in client, attached to corvel-lsp by the lines the documentation gives, finds the
# checker's warnings at their places in a script with text beyond ASCII. Without Neovim the test
# is skipped (status 77).
# Usage: neovim_test.sh CORVEL_LSP SOURCE_DIR
set -uo pipefail
lsp=$1
source_dir=$2
if ! command -v nvim >/dev/null; then
  echo "nvim is not installed: skipped"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin"
ln -s "$lsp" "$scratch/bin/corvel-lsp"
printf 'int $n\npirnt [\xc3\xa9\xf0\x9f\x98\x80 $n]\nset $n ($n+1)\n' >"$scratch/job.cv"
PATH="$scratch/bin:$PATH" OUT="$scratch/out.txt" HOME="$scratch" timeout 60 \
  nvim --headless -u NONE -i NONE -n \
  --cmd "set rtp^=$source_dir/editors/vim" --cmd 'filetype on' \
  --cmd "luafile $source_dir/tests/lsp/attach.lua" \
  -c "luafile $source_dir/tests/lsp/report_diagnostics.lua" "$scratch/job.cv" >/dev/null 2>&1
status=$?
expected="2:1:unknown-command
3:8:arithmetic-spacing"
actual=$(cat "$scratch/out.txt" 2>/dev/null)
if [ "$status" != 0 ] || [ "$actual" != "$expected" ]; then
  echo "nvim status $status; diagnostics:"
  echo "$actual"
  echo "expected:"
  echo "$expected"
  exit 1
fi
