#!/bin/sh
# Checks that every C++ file of the tree is as clang-format leaves it, with the
# tree's .clang-format and the clang-format that ./run installs.
# usage: check-format.sh CLANG-FORMAT SOURCE-FOLDER
set -eu
format=$1
root=$2
command -v "$format" >/dev/null ||
  { echo "check-format: no $format; ./run installs it" >&2; exit 1; }
files=$(find "$root" \( -path "$root/build" -o -path "$root/.*" \) -prune -o \
          \( -name '*.cpp' -o -name '*.h' \) -print | sort)
# shellcheck disable=SC2086
if ! "$format" --dry-run --Werror $files; then
  echo "check-format: the files above differ; $format -i FILE formats one" >&2
  exit 1
fi
echo "check-format: $(echo "$files" | wc -l) files as $("$format" --version | sed 's/.*version //') leaves them"
