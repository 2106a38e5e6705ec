#!/usr/bin/env bash
# `make dist` twice: the same bytes both times, named for the project's version, and holding
# exactly the files of the last commit, each under corvel-VERSION/ with its mode. Then the quick
# part of a distribution's check: the Debian source package made from it, which lintian reads
# for the debian/ folder (control, rules, copyright, changelog); `make distcheck` builds it in
# full. Skipped (status 77) where the source is no git checkout of its own, as in a build from
# the tarball itself (which may well lie inside another checkout).
# Usage: dist_test.sh SOURCE_DIR VERSION
set -euo pipefail
source=$1 version=$2
if [ ! -e "$source/.git" ]; then
  echo "not a git checkout"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for copy in first second; do
  # A make of its own, not a part of whatever make runs the tests.
  env -u MAKEFLAGS -u MAKELEVEL make -s -C "$source" dist BUILD="$scratch/$copy" \
    >"$scratch/$copy.log" 2>&1 ||
    { cat "$scratch/$copy.log"; exit 1; }
done
tarball=$scratch/first/corvel-$version.tar.gz
if [ ! -f "$tarball" ]; then
  echo "make dist made no corvel-$version.tar.gz: $(ls "$scratch/first")"
  exit 1
fi
cmp "$tarball" "$scratch/second/corvel-$version.tar.gz"

# Every file and link of the commit, with the executable bit where git has it (debian/rules).
expected=$(git -C "$source" ls-tree -r HEAD | awk '{ mode = ($1 == "100755") ? "x" : "-";
  sub(/^[^\t]*\t/, ""); print mode " corvel-'"$version"'/" $0 }' | sort)
actual=$(tar -tvzf "$tarball" | awk '$1 !~ /^d/ { mode = ($1 ~ /^-..x/) ? "x" : "-";
  name = $6; for (i = 7; i <= NF; i++) name = name " " $i; sub(/ -> .*/, "", name);
  print mode " " name }' | sort)
if [ "$expected" != "$actual" ]; then
  echo "the tarball differs from the commit:"
  diff <(echo "$expected") <(echo "$actual") | head -20
  exit 1
fi

# The source package: dpkg-source reads debian/ as dpkg-buildpackage would, lintian judges it.
mkdir "$scratch/source"
tar -xzf "$tarball" -C "$scratch/source"
if ! (cd "$scratch/source" && dpkg-source -b "corvel-$version") >"$scratch/source.log" 2>&1; then
  cat "$scratch/source.log"
  exit 1
fi
if ! lintian -i -I --pedantic --fail-on error,warning,info,pedantic \
     "$scratch/source/corvel_$version.dsc" >"$scratch/lintian.txt" 2>&1; then
  echo "lintian on the source package:"
  cat "$scratch/lintian.txt"
  exit 1
fi
