#!/bin/sh
# Checks that a plug-in file exports exactly its two entry points (the LV2
# bundle's module: its two descriptor functions; the CLAP module: clap_entry,
# the entry record), that the Linux builds link
# only the C library and Xlib (the C++ runtime is static), and that each
# Windows build is made for its processor (dll32: x86, dll64: x86-64) and
# imports from system libraries only.
# usage: check-exports.sh so|lv2|clap|dll32|dll64 FILE
set -eu
kind=$1
file=$2
fail() { echo "check-exports: $*" >&2; exit 1; }

if [ "$kind" = so ] || [ "$kind" = lv2 ] || [ "$kind" = clap ]; then
  exports=$(nm -D --defined-only "$file" | awk '{print $3}' | sort | tr '\n' ' ')
  if [ "$kind" = lv2 ]; then
    [ "$exports" = "lv2_descriptor lv2ui_descriptor " ] || fail "exports are: $exports"
  elif [ "$kind" = clap ]; then
    [ "$exports" = "clap_entry " ] || fail "exports are: $exports"
  else
    [ "$exports" = "VSTPluginMain main " ] || fail "exports are: $exports"
    a=$(nm -D --defined-only "$file" | awk '$3=="main"{print $1}')
    b=$(nm -D --defined-only "$file" | awk '$3=="VSTPluginMain"{print $1}')
    [ "$a" = "$b" ] || fail "main ($a) and VSTPluginMain ($b) differ"
  fi
  needed=$(objdump -p "$file" | awk '/NEEDED/{print $2}' | sort | tr '\n' ' ')
  for lib in $needed; do
    case $lib in
      libc.so.*|libm.so.*|libdl.so.*|libpthread.so.*|ld-linux*|libX11.so.*) ;;
      *) fail "links $lib: only the C library and Xlib may be linked dynamically" ;;
    esac
  done
else
  case $kind in
    dll32) tools=i686-w64-mingw32 format=pei-i386 ;;
    dll64) tools=x86_64-w64-mingw32 format=pei-x86-64 ;;
    *) fail "no such kind: $kind" ;;
  esac
  # The other processor's tools cannot read the file at all.
  dump=$("$tools-objdump" -p "$file") || fail "$file is not a $format file"
  echo "$dump" | grep -q "file format $format\$" || fail "$file is not a $format file"
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
echo "check-exports: $file${format:+ ($format)} exports $exports"
