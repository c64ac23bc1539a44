#!/bin/sh
# Runs a command with a wine prefix of its own, started on the current
# display (a prefix started without one cannot show windows).
# usage: with-wine-prefix.sh COMMAND [ARGUMENTS...]
set -eu
WINEDEBUG=-all
WINEPREFIX=$(mktemp -d /tmp/brelto-wine-display.XXXXXX)
export WINEDEBUG WINEPREFIX
trap 'wineserver -k 2>/dev/null; rm -rf "$WINEPREFIX"' EXIT
wineboot -i >/dev/null 2>&1 || true
"$@"
