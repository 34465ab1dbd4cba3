#!/usr/bin/env bash
# The man pages render without a single troff warning, and the command line's page names every
# call that `tessary-cli --help` lists, both in its synopsis and among its commands, so a new
# call cannot ship undocumented.
# Usage: check_man_pages.sh TESSARY_CLI CLI_PAGE [OTHER_PAGE...]
set -euo pipefail
cli=$1
cli_page=$2
shift
if ! command -v groff >/dev/null 2>&1; then
  echo "SKIP: groff is not installed (Debian groff-base), so the man pages cannot be rendered"
  exit 77
fi
failed=0
for page in "$@"; do
  warnings=$(groff -man -ww -z "$page" 2>&1 || true)
  if [ -n "$warnings" ]; then
    echo "$page: troff warnings:"
    echo "$warnings"
    failed=1
  fi
done

calls=$("$cli" --help | sed -n '/^Subcommands:/,/^$/p' | awk 'NF && $1 != "Subcommands:" {print $1}')
if [ -z "$calls" ]; then
  echo "tessary-cli --help lists no call: its Subcommands section was not found"
  exit 1
fi
for call in $calls; do
  if ! grep -qF "\\fBtessary-cli $call\\fR" "$cli_page"; then
    echo "$cli_page: the synopsis lacks the call '$call'"
    failed=1
  fi
  if ! grep -qxF ".B $call" "$cli_page"; then
    echo "$cli_page: the commands lack an entry for '$call'"
    failed=1
  fi
done
[ "$failed" = 0 ] && echo "man pages: $(echo $calls | wc -w) calls documented, no troff warning"
exit "$failed"
