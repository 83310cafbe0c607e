#!/usr/bin/env bash
# The manual page and `stashwick --help` describe the same command: the same options, the same
# exit statuses, the same version.
# Usage: man_matches_help.sh STASHWICK_BINARY MANUAL_PAGE(roff, configured)
set -euo pipefail
help=$("$1" --help)
man=$(sed 's/\\-/-/g' "$2")

# Each option as "-s,--long" or "--long".
help_options=$(grep -oE -- '^ +(-[a-z], )?--[a-z-]+' <<<"$help" | tr -d ' ' | sort)
man_options=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' <<<"$man" | grep -E '^\.BR -' |
    sed -E 's/^\.BR (-[a-z]) ", " (--[a-z-]+).*/\1,\2/; s/^\.BR (--[a-z-]+) .*/\1/' | sort)
help_codes=$(sed -n '/^Exit status:/,/^$/p' <<<"$help" | grep -oE '^  [0-9]+ ' | tr -d ' ' | sort)
man_codes=$(sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' <<<"$man" | grep -oE '^\.B [0-9]+$' |
    cut -d' ' -f2 | sort)
version=$("$1" --version | cut -d' ' -f2)

status=0
[[ -n "$help_options" && "$help_options" == "$man_options" ]] ||
    { echo "options differ: help [$help_options] manual [$man_options]" >&2; status=1; }
[[ -n "$help_codes" && "$help_codes" == "$man_codes" ]] ||
    { echo "exit statuses differ: help [$help_codes] manual [$man_codes]" >&2; status=1; }
grep -q "^\.TH STASHWICK 1 .*\"Stashwick $version\"" <<<"$man" ||
    { echo "the manual page is not for version $version" >&2; status=1; }
exit $status
