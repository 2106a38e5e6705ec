#!/usr/bin/env bash
# Builds the Debian package twice into scratch folders and checks that both are the same bytes,
# that lintian (pedantic, info tags included) and hardening-check have nothing to report, that the
# libraries the interpreter loads on first use are dependencies, versioned, of the packages that
# own them, the control fields and contents, and that the unpacked interpreter runs a script.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
# A command that stops the test names itself, rather than leaving an empty log.
trap 'echo "package_test.sh: line $LINENO failed: $BASH_COMMAND" >&2' ERR
build=$1 source=$2 version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Builds the package into $scratch/$1 and prints its path.
build_package() {
  if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/$1" >"$scratch/$1.log" 2>&1; then
    cat "$scratch/$1.log" >&2
    return 1
  fi
  local debs=("$scratch/$1"/*.deb)
  if [ "${#debs[@]}" != 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "expected one .deb, found: ${debs[*]}" >&2
    return 1
  fi
  echo "${debs[0]}"
}

deb=$(build_package first)
# The second time as a later build would see it: newer files, another umask and time zone.
touch "$build/corvel" "$build/corvel-check" "$build/corvel-lsp" "$build"/man/*.1
again=$(umask 077 && TZ=Asia/Tokyo build_package second)
if ! cmp "$deb" "$again"; then
  echo "two builds of the same commit differ:"
  diff <(dpkg-deb -c "$deb") <(dpkg-deb -c "$again") || true
  exit 1
fi

failed=0
if ! lintian -i -I --pedantic --fail-on error,warning,info,pedantic "$deb" >"$scratch/lintian.txt" 2>&1; then
  echo "lintian:"
  cat "$scratch/lintian.txt"
  failed=1
fi

field() { dpkg-deb --field "$deb" "$1"; }
expect_field() {
  local value
  value=$(field "$1")
  if [ "$value" != "$2" ]; then
    echo "$1 is '$value', not '$2'"
    failed=1
  fi
}
expect_field Package corvel
expect_field Version "$version"
expect_field Section interpreters
[ -n "$(field Maintainer)" ] || { echo "no Maintainer"; failed=1; }

contents=$(dpkg-deb --contents "$deb")
for path in ./usr/bin/corvel ./usr/bin/corvel-check ./usr/bin/corvel-lsp \
            ./usr/share/man/man1/corvel.1.gz ./usr/share/man/man1/corvel-check.1.gz \
            ./usr/share/man/man1/corvel-lsp.1.gz ./usr/share/doc/corvel/copyright \
            ./usr/share/doc/corvel/changelog.gz ./usr/share/doc/corvel/language.md \
            ./usr/share/lintian/overrides/corvel ./usr/share/nvim/site/syntax/corvel.vim \
            ./usr/share/vim/vimfiles/indent/corvel.vim; do
  if ! grep -q " $path\$" <<<"$contents"; then
    echo "not in the package: $path"
    failed=1
  fi
done

dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root
cmp "$source/debian/copyright" "$root/usr/share/doc/corvel/copyright" || failed=1
# Debian's own check of both programs; control-flow protection is left out because Debian 12's C
# start-up files carry no note of it, so no program linked there can show it.
if ! hardening-check --nocfprotection "$root/usr/bin/corvel" "$root/usr/bin/corvel-check" \
     "$root/usr/bin/corvel-lsp" >"$scratch/hardening.txt" 2>&1; then
  cat "$scratch/hardening.txt"
  failed=1
fi
[ "$failed" = 0 ] || exit 1

# The unpacked interpreter runs a script that loads ICU (case mapping), libcrypto (MD5) and libcurl
# (a refused connection), and the dynamic loader names each library as it loads it.
cat >"$scratch/check.cv" <<'SCRIPT'
string $s $h $page
set $s [straße]
strupper $s
md5 [abc] $h
geturl [http://127.0.0.1:9/] $page
print [$s $h\n]
SCRIPT
output=$(cd "$scratch" && CORVEL_GETURL_TIMEOUT=5 LD_DEBUG=files \
         "$root/usr/bin/corvel" check.cv 2>"$scratch/loaded.txt")
if [ "$output" != "STRASSE 900150983cd24fb0d6963f7d28e17f72" ]; then
  echo "unpacked corvel printed: $output"
  exit 1
fi

# Each library loaded on first use must belong to a package that Depends names with a version.
depends=", $(field Depends),"
lazy=$(sed -n 's/.*file=\([^ ]*\) \[0\];  dynamically loaded by.*/\1/p' "$scratch/loaded.txt" | sort -u)
for stem in libicuuc libcrypto libcurl; do
  if ! grep -q "^$stem\.so\." <<<"$lazy"; then
    echo "corvel did not load $stem on first use; it loaded: $lazy"
    failed=1
  fi
done
for soname in $lazy; do
  # Both readers take all their input: one that stops early leaves the writer to a broken pipe,
  # which pipefail would count as a failure whenever the writer was slower.
  file=$(ldconfig -p | awk -v name="$soname" '$1 == name && !found { print $NF; found = 1 }')
  owner=$({ dpkg-query -S "$(readlink -f "$file")" 2>/dev/null || true; } |
          awk -F: 'NR == 1 { print $1 }')
  if [ -z "$owner" ]; then
    echo "no package owns $soname ($file)"
    failed=1
  elif ! [[ $depends =~ ,\ *$owner\ \(\>=\ [^\)]+\)[\ ,] ]]; then
    echo "$soname belongs to $owner, which Depends does not name with a version: $depends"
    failed=1
  fi
done
# The libraries the programs link come in too (libc at least).
if ! [[ $depends =~ ,\ *libc6(\.1)?\ \(\>= ]]; then
  echo "Depends lacks libc6: $depends"
  failed=1
fi
exit "$failed"
