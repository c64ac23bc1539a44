#!/bin/sh
# The host program of each build shows the same record and parameter table
# for its plug-in: the Linux one directly, a Windows one (a .exe) under wine.
# usage: compare-builds.sh HOST PLUGIN HOST PLUGIN [HOST PLUGIN]...
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ $# -ge 4 ] && [ $(($# % 2)) = 0 ] || { echo "compare-builds: give two builds or more" >&2; exit 2; }
# A build's name: the folder of its plug-in.
name() { basename "$(dirname "$1")"; }
run() {
  case $1 in
    *.exe) wine "$@" | tr -d '\r' ;;
    *) "$@" ;;
  esac
}
first=
while [ $# -gt 0 ]; do
  out=$work/$(name "$2").txt
  run "$1" "$2" > "$out"
  if [ -z "$first" ]; then
    first=$out
  else
    diff -u "$first" "$out"
  fi
  shift 2
done
echo "compare-builds: every build prints the same $(wc -l < "$first") lines"
