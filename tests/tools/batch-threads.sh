#!/bin/sh
# A batch of four files on four jobs, searches included, the same files as an
# album, and one file alone, whose meters run on threads of their own, with a
# plot and a lossy output, through a build of brelto-render and the plug-in
# under ThreadSanitizer: any race fails it.
# usage: batch-threads.sh BRELTO-RENDER AUDIO-FILE
set -eu
render=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
for name in a b c d; do cp "$2" "$folder/$name.flac"; done
TSAN_OPTIONS=halt_on_error=1 "$render" --jobs 4 --target-lufs -14 --true-peak -1 \
  "$folder"/a.flac "$folder"/b.flac "$folder"/c.flac "$folder"/d.flac --out-dir "$folder/out"
for name in a b c d; do
  [ -s "$folder/out/$name.flac" ] || { echo "batch-threads: no $name.flac" >&2; exit 1; }
done
TSAN_OPTIONS=halt_on_error=1 "$render" --jobs 4 --album --preset streaming \
  "$folder"/a.flac "$folder"/b.flac "$folder"/c.flac "$folder"/d.flac --out-dir "$folder/album" \
  > /dev/null
for name in a b c d; do
  [ -s "$folder/album/$name.flac" ] || { echo "batch-threads: no album/$name.flac" >&2; exit 1; }
done
TSAN_OPTIONS=halt_on_error=1 "$render" --target-lufs -14 --true-peak -1 \
  --plot "$folder/alone.png" "$folder"/a.flac "$folder/alone.ogg" > /dev/null
[ -s "$folder/alone.ogg" ] && [ -s "$folder/alone.png" ] ||
  { echo "batch-threads: no alone.ogg or alone.png" >&2; exit 1; }
