#!/bin/sh
# Checks that a plug-in file holds the product only: none of the test-only
# code (the test doubles and helpers of tests/support, the plug-in-file host,
# PNG writing), and in the DLL no font among the resources (only the software
# backend draws with one). Product symbols must be found, so that an empty
# symbol table cannot pass.
# usage: check-contents.sh so|lv2|clap|dll32|dll64 FILE
set -eu
kind=$1
file=$2
fail() { echo "check-contents: $*" >&2; exit 1; }

case $kind in
  so|lv2|clap) tools= ;;
  dll32) tools=i686-w64-mingw32- ;;
  dll64) tools=x86_64-w64-mingw32- ;;
  *) fail "no such kind: $kind" ;;
esac
symbols=$("${tools}nm" -C "$file")
for product in 'VSTGUI::CFrame::idle' 'SynthCore::processReplacing' 'VSTPluginMain'; do
  echo "$symbols" | grep -qF "$product" || fail "no symbol $product: cannot read the symbols"
done
test_only='guitest::|objectCounts|ObjectCounts|writePng|setPointer\(|scriptPointer|ScriptedMouse|ControlRecorder|readPixel|stbi_write|RecordingHost|PluginLibrary|allocations::|__wrap_|__real_'
found=$(echo "$symbols" | grep -E "$test_only" || true)
[ -z "$found" ] || fail "test-only symbols in $file:
$found"

if [ "$kind" = dll32 ] || [ "$kind" = dll64 ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  "${tools}objcopy" -O binary --only-section=.rsrc "$file" "$work/rsrc"
  # Resource type names are counted UTF-16 strings in the resource directory.
  has_type() { LC_ALL=C grep -q -a -P "\\x03\\x00$1\\x00$2\\x00$3\\x00" "$work/rsrc"; }
  has_type F X B || fail "no FXB resource: cannot read the resources"
  ! has_type T T F || fail "the DLL carries the font resource (TTF)"
fi
echo "check-contents: $file holds no test-only code$(case $kind in dll*) echo ' and no font' ;; esac)"
