#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR with the prefix /usr/local, checks what landed where,
# and runs an executable script through the installed corvel.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
prefix=$root/usr/local

DESTDIR=$root cmake --install "$build" --prefix /usr/local >"$scratch/install.log"

failed=0
expect_file() {
  if [ ! -f "$prefix/$1" ]; then
    echo "not installed: /usr/local/$1"
    failed=1
  fi
}
expect_file bin/corvel
expect_file bin/corvel-check
expect_file bin/corvel-lsp
expect_file share/man/man1/corvel.1
expect_file share/man/man1/corvel-check.1
expect_file share/man/man1/corvel-lsp.1
expect_file share/doc/corvel/checks.md
expect_file share/corvel/editors/vscode/extension.js
expect_file share/doc/corvel/language.md
expect_file share/doc/corvel/cookbook.md
expect_file share/doc/corvel/README.md
expect_file share/corvel/editors/vscode/package.json
expect_file share/corvel/editors/vscode/syntaxes/corvel.tmLanguage.json
if [ -n "$(find "$prefix/share/corvel/editors/vscode" -name node_modules)" ]; then
  echo "node_modules installed with the VS Code files"
  failed=1
fi
for kind in syntax ftdetect; do
  expect_file "share/corvel/editors/vim/$kind/corvel.vim"
  expect_file "share/vim/vimfiles/$kind/corvel.vim"
done
# Nothing may land outside the prefix.
outside=$(cd "$root" && find . -type f ! -path './usr/local/*')
if [ -n "$outside" ]; then
  echo "installed outside the prefix: $outside"
  failed=1
fi
cmp "$source/man/corvel.1" "$prefix/share/man/man1/corvel.1"
[ "$failed" = 0 ] || exit 1

# An executable script found through PATH, as a user runs it; the installed bin comes first.
cat >"$scratch/greet" <<'SCRIPT'
#!/usr/bin/env corvel
string $s
set $s [straße]
strupper $s
print [installed: $s\n]
SCRIPT
chmod +x "$scratch/greet"
output=$(cd "$scratch" && PATH="$prefix/bin:/usr/bin:/bin" ./greet)
if [ "$output" != "installed: STRASSE" ]; then
  echo "executable script printed: $output"
  exit 1
fi

# Its fault status reaches the caller through env.
printf '#!/usr/bin/env corvel\nprint $missing\n' >"$scratch/broken"
chmod +x "$scratch/broken"
status=0
(cd "$scratch" && PATH="$prefix/bin:/usr/bin:/bin" ./broken >/dev/null 2>&1) || status=$?
if [ "$status" != 1 ]; then
  echo "a faulting executable script ended with status $status, not 1"
  exit 1
fi
