#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR with the prefix /usr/local, checks what landed where,
# opens a script in Neovim with the installed files, and runs an executable script through the
# installed corvel.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3
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
expect_file share/doc/corvel/LICENSE
expect_file share/doc/corvel/CHANGELOG.md
expect_file share/corvel/editors/vscode/package.json
expect_file share/corvel/editors/vscode/syntaxes/corvel.tmLanguage.json
if [ -n "$(find "$prefix/share/corvel/editors/vscode" -name node_modules)" ]; then
  echo "node_modules installed with the VS Code files"
  failed=1
fi
for kind in syntax ftdetect ftplugin indent; do
  for folder in corvel/editors/vim vim/vimfiles nvim/site; do
    expect_file "share/$folder/$kind/corvel.vim"
  done
done
manifest=$prefix/share/corvel/editors/vscode/package.json
installed_version=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["version"])' "$manifest")
if [ "$installed_version" != "$version" ]; then
  echo "the installed VS Code extension says version $installed_version, not $version"
  failed=1
fi
# Nothing may land outside the prefix.
outside=$(cd "$root" && find . -type f ! -path './usr/local/*')
if [ -n "$outside" ]; then
  echo "installed outside the prefix: $outside"
  failed=1
fi
cmp "$build/man/corvel.1" "$prefix/share/man/man1/corvel.1"
[ "$failed" = 0 ] || exit 1

# Neovim reads its site folders under the data directories, not Vim's vimfiles: with the installed
# share folder as its only one, it detects a script by its first line and highlights and indents
# it. Skipped where Neovim is missing (a distribution build, which does not need it).
if command -v nvim >/dev/null; then
  printf '#!/usr/bin/env corvel\nprint [x]\n' >"$scratch/script"
  (cd "$scratch" && HOME=$scratch XDG_DATA_DIRS=$prefix/share XDG_CONFIG_HOME=$scratch/config \
     nvim --headless --clean -c 'call writefile([&filetype, get(b:, "current_syntax", ""),'\
'&indentexpr, &commentstring], "nvim.txt")' -c 'qa!' script) >/dev/null 2>&1
  seen=$(paste -sd' ' "$scratch/nvim.txt" 2>/dev/null || true)
  if [ "$seen" != "corvel corvel GetCorvelIndent(v:lnum) " ]; then
    echo "Neovim with the installed files: filetype, syntax, indentexpr, commentstring are '$seen'"
    exit 1
  fi
else
  echo "skipped the Neovim check: nvim is not installed"
fi

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
