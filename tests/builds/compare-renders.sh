#!/bin/sh
# The same long session through Brelto.so natively and Brelto.dll under wine,
# each through its own build's session program and the plug-in's entry point,
# gives the same output samples and meter readings, bit for bit.
# usage: compare-renders.sh NATIVE-SESSION NATIVE-PLUGIN WINDOWS-SESSION WINDOWS-PLUGIN
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" "$2" "$work/native.raw"
wine "$3" "$4" "$work/windows.raw"
cmp "$work/native.raw" "$work/windows.raw"
echo "compare-renders: both builds wrote the same $(wc -c < "$work/native.raw") bytes"
