#!/bin/sh
# A chunk saved by one build restores identically into every other: each
# build saves settings far from the defaults, every other build restores them
# and saves again, and the same bytes come out, with the same parameters
# shown. Both chunk forms. A Windows build's host (a .exe) runs under wine.
# usage: chunk-exchange.sh HOST PLUGIN HOST PLUGIN [HOST PLUGIN]...
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ $# -ge 4 ] && [ $(($# % 2)) = 0 ] || { echo "chunk-exchange: give two builds or more" >&2; exit 2; }

# Settings far from the defaults, written as a host would have stored them.
printf '2ii0%s\0%s\0%s\0%s\0%s\0%s\0%s\0\0' 00_Name_=Exchanged 00OutCeil=3f3504f3 \
  00Gain=3e99999a 00Release=3f7fffff 00Stereo=00000000 00ISP=00000000 00MeterR=3dcccccd \
  > "$work/bank.start"
printf '2ii0%s\0%s\0%s\0%s\0\0' OutCeil=3f3504f3 Gain=3e99999a Release=00000001 \
  Stereo=00000000 > "$work/program.start"

# The builds as "name host plugin" lines; a build's name is its plug-in's folder.
builds=$work/builds
: > "$builds"
while [ $# -gt 0 ]; do
  echo "$(basename "$(dirname "$2")") $1 $2" >> "$builds"
  shift 2
done

# Restores chunk $3 into build ($1 host, $2 plugin) and saves it into $4, in form $5;
# the parameters it then shows go to $4.txt. The list of builds being read
# stays with the loops: the host reads nothing.
restore_and_save() {
  option=
  [ "$5" = program ] && option=--program-form
  case $1 in
    *.exe) wine "$1" "$2" $option --load-chunk "$3" --save-chunk "$4" </dev/null | tr -d '\r' > "$4.txt" ;;
    *) "$1" "$2" $option --load-chunk "$3" --save-chunk "$4" </dev/null > "$4.txt" ;;
  esac
}

exchanges=0
for form in bank program; do
  while read -r saver host plugin; do
    restore_and_save "$host" "$plugin" "$work/$form.start" "$work/$form.$saver" $form
  done < "$builds"
  while read -r saver _ _; do
    while read -r restorer host plugin; do
      [ "$restorer" = "$saver" ] && continue
      saved=$work/$form.$saver
      again=$work/$form.$saver.$restorer
      restore_and_save "$host" "$plugin" "$saved" "$again" $form
      cmp "$saved" "$again"
      diff -u "$saved.txt" "$again.txt"
      # The settings arrived: not the defaults any more.
      grep -q '^1 .*0x3e99999a' "$again.txt"
      grep -q '^3 .*0x00000000' "$again.txt"
      [ "$form" = program ] || grep -q '^program  *Exchanged$' "$again.txt"
      exchanges=$((exchanges + 1))
    done < "$builds"
  done < "$builds"
done
echo "chunk-exchange: $exchanges restores, both forms, byte for byte between $(wc -l < "$builds") builds"
