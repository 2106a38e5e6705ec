#!/usr/bin/env bash
# The man pages format without a single warning, render their NAME section, and carry a NAME line
# that whatis and apropos can read.
# Usage: man_pages_test.sh SOURCE_DIR
set -euo pipefail
man_dir=$1/man
failed=0
for page in corvel corvel-check corvel-lsp; do
  file=$man_dir/$page.1
  warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page.1 warnings:"
    echo "$warnings"
    failed=1
  fi
  rendered=$(MANWIDTH=80 man -l "$file" 2>/dev/null)
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" "SEE ALSO"; do
    if ! grep -qx "$section" <<<"$rendered"; then
      echo "$page.1 renders no $section section"
      failed=1
    fi
  done
  if ! lexgrog "$file" | grep -q "\"$page - "; then
    echo "$page.1 has no NAME line for whatis: $(lexgrog "$file" 2>&1)"
    failed=1
  fi
done
exit "$failed"
