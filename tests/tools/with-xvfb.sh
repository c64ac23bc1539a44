#!/bin/sh
# Runs a command on an Xvfb display of its own, for editors to open in.
# usage: with-xvfb.sh COMMAND [ARGUMENTS...]
set -eu
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -f "$number"' EXIT
for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
[ -s "$number" ] || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }
DISPLAY=:$(cat "$number") "$@"
