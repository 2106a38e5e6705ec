#!/usr/bin/env bash
# Builds the Debian package into a scratch folder, checks its control fields and contents, unpacks
# it and runs a script with the unpacked interpreter.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  exit 1
fi
debs=("$scratch"/out/*.deb)
if [ "${#debs[@]}" != 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "expected one .deb, found: ${debs[*]}"
  exit 1
fi
deb=${debs[0]}

failed=0
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
expect_field Version 1.0.0
expect_field Section interpreters
[ -n "$(field Maintainer)" ] || { echo "no Maintainer"; failed=1; }
# The libraries loaded at run time must be named even though no link shows them, and the linked
# ones (libc at least) come from dpkg-shlibdeps.
depends=", $(field Depends),"
for library in libicu72 libssl3 libcurl4 libc6; do
  if ! [[ $depends =~ ,\ *$library[\ ,] ]]; then
    echo "Depends lacks $library: $depends"
    failed=1
  fi
done
contents=$(dpkg-deb --contents "$deb")
for path in ./usr/bin/corvel ./usr/bin/corvel-lsp ./usr/share/man/man1/corvel-lsp.1 ./usr/share/man/man1/corvel.1 ./usr/share/man/man1/corvel-check.1 \
            ./usr/share/doc/corvel/language.md; do
  if ! grep -q " $path\$" <<<"$contents"; then
    echo "not in the package: $path"
    failed=1
  fi
done
[ "$failed" = 0 ] || exit 1

# The unpacked interpreter runs a script that uses ICU (case mapping) and libcrypto (MD5).
dpkg-deb -x "$deb" "$scratch/root"
cat >"$scratch/check.cv" <<'SCRIPT'
string $s $h
set $s [straße]
strupper $s
md5 [abc] $h
print [$s $h\n]
SCRIPT
output=$(cd "$scratch" && "$scratch/root/usr/bin/corvel" check.cv)
if [ "$output" != "STRASSE 900150983cd24fb0d6963f7d28e17f72" ]; then
  echo "unpacked corvel printed: $output"
  exit 1
fi
