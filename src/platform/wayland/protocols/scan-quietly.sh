#!/bin/sh
# Runs wayland-scanner ("$@") and passes on what it says, but for one warning: Plasma's own
# protocol files (plasma-window-management.xml) list some messages out of the order of their
# versions, which wayland-scanner 1.21 and later point out on every build. The generated code is
# the same either way; any other message, and the exit status, are wayland-scanner's.
messages=$("$@" 2>&1)
status=$?
printf '%s\n' "$messages" | grep -v -e 'warning: since version not increasing' -e '^$' >&2
exit $status
