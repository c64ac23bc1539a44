#!/bin/sh
# The frame in a real window: the Windows test program runs under wine on an
# Xvfb display of its own; xdotool presses the mouse on the knob and turns
# the wheel; ImageMagick takes a screenshot of the frame's window, which is
# compared with the software backend's rendering of the same tree. The
# wine prefix is one of its own, started on that display: a wine desktop made
# earlier without a display cannot show windows.
# usage: window-test.sh WINDOW-TEST-EXE RENDER-TREE-PROGRAM
set -eu
program=$1
render=$2
work=$(mktemp -d)
app=
xvfb=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "window-test: $*" >&2; sed 's/^/  log: /' "$work/log" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { touch "$work/log"; fail "Xvfb did not start"; }
DISPLAY=:$(cat "$work/display")
WINEPREFIX=$work/wine
WINEDEBUG=-all
export DISPLAY WINEPREFIX WINEDEBUG
wineboot -i >/dev/null 2>&1 || true

touch "$work/log"
wine "$program" "$(winepath -w "$work/quit")" >"$work/log" 2>/dev/null &
app=$!

wait_for() {
  for _ in $(seq 300); do
    grep -q "$1" "$work/log" && return 0
    sleep 0.1
  done
  fail "no '$1' from the window"
}

wait_for '^ready'
set -- $(grep '^ready' "$work/log" | tr -d '\r')
x=$2
y=$3
wait_for '^updated'
grep -q '^class shared' "$work/log" || fail "two frames did not share one window class"

# A press in the knob, 20 and 30 pixels into the frame's window at (24, 120).
xdotool mousemove $((x + 44)) $((y + 150))
sleep 0.3
xdotool mousedown 1
wait_for '^press'
sleep 0.3
xdotool mouseup 1
wait_for '^release'
grep -qE '^press 44 150 1[[:space:]]*$' "$work/log" || fail "the knob did not get the press at (44, 150) with the left button"
grep -q '^release [1-9]' "$work/log" || fail "the knob did not see the button held down"
xdotool click 4
wait_for '^wheel'
grep -q '^wheel 1.0000 44 150' "$work/log" || fail "a wheel notch did not arrive as 1.0 at (44, 150)"
xdotool click 5
for _ in $(seq 100); do [ "$(grep -c '^wheel' "$work/log")" = 2 ] && break; sleep 0.1; done
grep -q '^wheel -1.0000 44 150' "$work/log" || fail "a notch back did not arrive as -1.0"

import -window root -crop "432x172+$x+$y" +repage "$work/screen.png"
touch "$work/quit"
wait_for '^class gone'
wait "$app" || fail "the window program failed"
app=

"$render" "$work/software.png"
total=$((432 * 172))
exact=$(compare -metric AE "$work/screen.png" "$work/software.png" null: 2>&1 || true)
near=$(compare -metric AE -fuzz 3% "$work/screen.png" "$work/software.png" null: 2>&1 || true)
grep -E '^(press|release|wheel)' "$work/log" | tr -d '\r' | sed 's/^/window-test: /'
echo "window-test: screenshot against software rendering: $exact of $total pixels differ," \
     "$near by more than 3%"
[ "$near" -lt $((total / 100)) ] || fail "more than 1% of the pixels differ by more than 3%"
