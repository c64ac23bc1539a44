#!/bin/sh
# The same long session through every build of the plug-in (Brelto.so
# natively, each Brelto.dll under wine), each through its own build's session
# program and the plug-in's entry point, gives the same output samples and
# meter readings, bit for bit.
# usage: compare-renders.sh SESSION PLUGIN SESSION PLUGIN [SESSION PLUGIN]...
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ $# -ge 4 ] && [ $(($# % 2)) = 0 ] || { echo "compare-renders: give two builds or more" >&2; exit 2; }
first=
while [ $# -gt 0 ]; do
  out=$work/$(basename "$(dirname "$2")").raw
  case $1 in
    *.exe) wine "$1" "$2" "$out" ;;
    *) "$1" "$2" "$out" ;;
  esac
  if [ -z "$first" ]; then
    first=$out
  else
    cmp "$first" "$out"
  fi
  shift 2
done
echo "compare-renders: every build wrote the same $(wc -c < "$first") bytes"
