#!/usr/bin/env bash
# The man pages, as the build generates them, format without a single warning from groff or
# mandoc, fit an 80-column terminal, have their sections in the order of man-pages(7) with the
# ones every page needs, and carry a NAME line that whatis and apropos can read.
# Usage: man_pages_test.sh GENERATED_MAN_DIR
set -euo pipefail
man_dir=$1
export LC_ALL=C.UTF-8
# The sections of man-pages(7), in its order; a page may leave any out and add its own.
standard=(NAME LIBRARY SYNOPSIS CONFIGURATION DESCRIPTION OPTIONS "EXIT STATUS" "RETURN VALUE"
          ERRORS ENVIRONMENT FILES ATTRIBUTES VERSIONS STANDARDS HISTORY NOTES CAVEATS BUGS
          EXAMPLES AUTHORS "REPORTING BUGS" COPYRIGHT "SEE ALSO")
failed=0
for page in corvel corvel-check corvel-lsp; do
  file=$man_dir/$page.1
  warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page.1 warnings:"
    echo "$warnings"
    failed=1
  fi
  if ! lint=$(mandoc -T lint "$file" 2>&1) || [ -n "$lint" ]; then
    echo "$page.1, mandoc -T lint:"
    echo "$lint"
    failed=1
  fi
  rendered=$(MANWIDTH=80 man -l "$file" 2>/dev/null)
  while IFS= read -r line; do
    if [ "${#line}" -gt 80 ]; then
      echo "$page.1 renders a line of ${#line} columns: $line"
      failed=1
    fi
  done <<<"$rendered"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" "REPORTING BUGS" "SEE ALSO"; do
    if ! grep -qx "$section" <<<"$rendered"; then
      echo "$page.1 renders no $section section"
      failed=1
    fi
  done
  # The standard sections the page has, in its order, must be in man-pages(7)'s.
  last=-1 last_name=""
  while IFS= read -r heading; do
    for i in "${!standard[@]}"; do
      if [ "${standard[$i]}" = "$heading" ]; then
        if [ "$i" -lt "$last" ]; then
          echo "$page.1 has $heading after $last_name"
          failed=1
        fi
        last=$i last_name=$heading
      fi
    done
  done < <(sed -n 's/^\.SH "\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$file")
  if ! lexgrog "$file" | grep -q "\"$page - "; then
    echo "$page.1 has no NAME line for whatis: $(lexgrog "$file" 2>&1)"
    failed=1
  fi
done
exit "$failed"
