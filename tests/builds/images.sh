#!/bin/sh
# The editor's images in resources/ are what brelto-imagegen writes, at every
# scale, and the resource script carries every one of them.
# usage: images.sh GENERATOR RESOURCES-FOLDER
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" "$work"
count=0
for made in "$work"/*; do
  name=$(basename "$made")
  cmp "$made" "$2/$name" || { echo "images: $name differs from its generator's" >&2; exit 1; }
  grep -q "\"$name\"" "$2/Brelto.rc" || { echo "images: Brelto.rc lacks $name" >&2; exit 1; }
  count=$((count + 1))
done
[ "$count" -ge 18 ] || { echo "images: the generator wrote only $count images" >&2; exit 1; }
echo "images: the $count images in $2 match their generator"
