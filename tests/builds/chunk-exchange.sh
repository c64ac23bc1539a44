#!/bin/sh
# A chunk saved by one build restores identically into the other: the Windows
# plug-in under wine saves, the Linux one restores and saves again, the same
# bytes come out; then the other way round. Both chunk forms.
# usage: chunk-exchange.sh NATIVE-HOST NATIVE-PLUGIN WINDOWS-HOST WINDOWS-PLUGIN
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Settings far from the defaults, written as a host would have stored them.
printf '2ii0%s\0%s\0%s\0%s\0%s\0%s\0%s\0\0' 00_Name_=Exchanged 00OutCeil=3f3504f3 \
  00Gain=3e99999a 00Release=3f7fffff 00Stereo=00000000 00ISP=00000000 00MeterR=3dcccccd \
  > "$work/bank.start"
printf '2ii0%s\0%s\0%s\0%s\0\0' OutCeil=3f3504f3 Gain=3e99999a Release=00000001 \
  Stereo=00000000 > "$work/program.start"

for form in bank program; do
  option=
  [ "$form" = program ] && option=--program-form
  # The Windows build saves, the Linux build restores.
  wine "$3" "$4" $option --load-chunk "$work/$form.start" --save-chunk "$work/$form.win" \
    | tr -d '\r' > "$work/$form.win.txt"
  "$1" "$2" $option --load-chunk "$work/$form.win" --save-chunk "$work/$form.win.native" \
    > "$work/$form.win.native.txt"
  cmp "$work/$form.win" "$work/$form.win.native"
  diff -u "$work/$form.win.txt" "$work/$form.win.native.txt"
  # The Linux build saves, the Windows build restores.
  "$1" "$2" $option --load-chunk "$work/$form.start" --save-chunk "$work/$form.native" \
    > "$work/$form.native.txt"
  wine "$3" "$4" $option --load-chunk "$work/$form.native" --save-chunk "$work/$form.native.win" \
    | tr -d '\r' > "$work/$form.native.win.txt"
  cmp "$work/$form.native" "$work/$form.native.win"
  diff -u "$work/$form.native.txt" "$work/$form.native.win.txt"
  # The settings arrived: not the defaults any more.
  grep -q '^1 .*0x3e99999a' "$work/$form.win.native.txt"
  grep -q '^3 .*0x00000000' "$work/$form.native.win.txt"
done
grep -q '^program  *Exchanged$' "$work/bank.win.native.txt"
echo "chunk-exchange: both forms restore byte for byte between the two builds"
