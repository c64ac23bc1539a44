#!/bin/sh
# The host program of each build shows the same record and parameter table
# for its plug-in: the native one directly, the Windows one under wine.
# usage: compare-builds.sh NATIVE-HOST NATIVE-PLUGIN WINDOWS-HOST WINDOWS-PLUGIN
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" "$2" > "$work/native.txt"
wine "$3" "$4" | tr -d '\r' > "$work/windows.txt"
diff -u "$work/native.txt" "$work/windows.txt"
echo "compare-builds: both builds print the same $(wc -l < "$work/native.txt") lines"
