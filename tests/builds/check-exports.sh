#!/bin/sh
# Checks that a plug-in file exports exactly its two entry points (the LV2
# module: its two descriptor functions), that the Linux builds link only the C
# library and Xlib (the C++ runtime is static), and that the Windows build
# imports from system libraries only.
# usage: check-exports.sh so|lv2|dll FILE
set -eu
kind=$1
file=$2
fail() { echo "check-exports: $*" >&2; exit 1; }

if [ "$kind" = lv2 ]; then
  exports=$(nm -D --defined-only "$file" | awk '{print $3}' | sort | tr '\n' ' ')
  [ "$exports" = "lv2_descriptor lv2ui_descriptor " ] || fail "exports are: $exports"
fi
if [ "$kind" = so ]; then
  exports=$(nm -D --defined-only "$file" | awk '{print $3}' | sort | tr '\n' ' ')
  [ "$exports" = "VSTPluginMain main " ] || fail "exports are: $exports"
  a=$(nm -D --defined-only "$file" | awk '$3=="main"{print $1}')
  b=$(nm -D --defined-only "$file" | awk '$3=="VSTPluginMain"{print $1}')
  [ "$a" = "$b" ] || fail "main ($a) and VSTPluginMain ($b) differ"
fi
if [ "$kind" != dll ]; then
  needed=$(objdump -p "$file" | awk '/NEEDED/{print $2}' | sort | tr '\n' ' ')
  for lib in $needed; do
    case $lib in
      libc.so.*|libm.so.*|libdl.so.*|libpthread.so.*|ld-linux*|libX11.so.*) ;;
      *) fail "links $lib: only the C library and Xlib may be linked dynamically" ;;
    esac
  done
else
  dump=$(i686-w64-mingw32-objdump -p "$file")
  exports=$(echo "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1;next} on&&/\[/{print $NF} on&&!/\[/{on=0}' | sort | tr '\n' ' ')
  [ "$exports" = "VSTPluginMain main " ] || fail "exports are: $exports"
  addresses=$(echo "$dump" | awk '/\+base\[/{print $(NF-2)}' | sort -u | wc -l)
  [ "$addresses" = 1 ] || fail "the two exports have $addresses addresses"
  imports=$(echo "$dump" | awk '/DLL Name:/{print tolower($3)}' | sort -u | tr '\n' ' ')
  for dll in $imports; do
    case $dll in
      kernel32.dll|user32.dll|gdi32.dll|gdiplus.dll|ole32.dll|shell32.dll|msimg32.dll|msvcrt.dll|advapi32.dll) ;;
      *) fail "imports $dll, which is not a system library" ;;
    esac
  done
fi
echo "check-exports: $file exports $exports"
