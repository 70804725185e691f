#!/usr/bin/env bash
# Formats the manual page (tables through tbl) with every groff warning
# enabled; any message fails.
#
#   lint_man.sh PAGE
# Exits 77 (skipped) when groff is not installed (Debian: groff-base).
set -uo pipefail
page=$1
command -v groff > /dev/null || { echo "man.lint: groff not found, skipped"; exit 77; }
[[ -f $page ]] || { echo "man.lint: no $page" >&2; exit 1; }
messages=$(LC_ALL=C groff -t -man -ww -z "$page" 2>&1)
status=$?
if [[ $status -ne 0 || -n $messages ]]; then
    echo "man.lint: groff -t -man -ww -z $page (status $status):" >&2
    echo "$messages" >&2
    exit 1
fi
echo "man.lint: $page formats without warnings"
