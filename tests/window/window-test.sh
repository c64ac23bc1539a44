#!/bin/sh
# The controls in a real window on an Xvfb display of its own: the Windows
# test program (a .exe) runs under wine, the X11 one natively, each making the
# host's window itself; xdotool drags the knob (plain and with Shift), turns
# the wheel on it, clicks a lamp and types into the text edit;
# the program reports what its listener heard. ImageMagick then takes a
# screenshot of the frame's window, which is compared with the software
# backend's rendering of the same tree at the values the window ended with:
# under wine GDI may differ a little, in X11 the pixels are the software
# backend's own and must be equal. The wine prefix is one of its own, started
# on that display: a wine desktop made earlier without a display cannot show
# windows.
# When given, the same display then shows the plug-in's editor in a small
# host that loads the plug-in file (see the part at the end).
# Given a folder, the screenshots are left there as they were taken
# (screen.png: the controls, during-drag.png and editor.png: the editor during
# and after the drags, editor-1.5.png and editor-2.png: the editor at 1.5 and
# 2), to be looked at.
# usage: window-test.sh WINDOW-TEST-PROGRAM RENDER-TREE-PROGRAM
#                       [EDITOR-HOST-EXE PLUGIN-DLL RENDER-EDITOR-PROGRAM [SCREENSHOT-FOLDER]]
set -eu
program=$1
render=$2
editor=${3:-}
plugin=${4:-}
render_editor=${5:-}
shots=${6:-}
work=$(mktemp -d)
app=
xvfb=
wine=
cleanup() {
  # Under set -e a kill of a process that has ended already would end the
  # cleaning here, and the Xvfb left running would hold the caller's output.
  [ -z "$app" ] || kill "$app" 2>/dev/null || true
  [ -z "$wine" ] || wineserver -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "window-test: $*" >&2; sed 's/^/  log: /' "$work/log" >&2; exit 1; }
keep() { [ -z "$shots" ] || { mkdir -p "$shots" && cp "$work/$1" "$shots/$1"; }; }

Xvfb -displayfd 3 -screen 0 1024x480x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { touch "$work/log"; fail "Xvfb did not start"; }
DISPLAY=:$(cat "$work/display")
export DISPLAY
touch "$work/log"
case $program in
  *.exe)
    wine=yes
    WINEPREFIX=$work/wine
    WINEDEBUG=-all
    export WINEPREFIX WINEDEBUG
    wineboot -i >/dev/null 2>&1 || true
    wine "$program" "$(winepath -w "$work/quit")" >"$work/log" 2>/dev/null &
    closed='^class gone'
    ;;
  *)
    "$program" "$work/quit" >"$work/log" 2>&1 &
    closed='^child gone'
    ;;
esac
app=$!

lines() { tr -d '\r' <"$work/log" | grep -c "$1" || true; }
# Waits until the log has at least $2 lines (default 1) that match $1.
wait_for() {
  for _ in $(seq 300); do
    [ "$(lines "$1")" -ge "${2:-1}" ] && return 0
    sleep 0.1
  done
  fail "no '$1' from the window"
}
# The lines of the last edit of a tag: from its last "begin" to the "end" after it.
last_edit() {
  tr -d '\r' <"$work/log" | awk -v tag="$1" '
    $1 == "begin" && $2 == tag { n = 0; delete seen; inside = 1 }
    inside { seen[n++] = $0 }
    $1 == "end" && $2 == tag { inside = 0; out = ""; for (i = 0; i < n; i++) out = out seen[i] "\n" }
    END { printf "%s", out }'
}
# Checks that the last edit of tag $1 is begin, values, end and moved the
# value by $2 within $3, from its first value or from $4; prints the value it
# ended at.
check_move() {
  last_edit "$1" >"$work/edit"
  awk -v tag="$1" -v want="$2" -v slack="$3" -v from="${4:-}" '
    NR == 1 && !($1 == "begin" && $2 == tag) { bad = "does not start with begin" }
    $1 == "value" { if ($2 != tag) bad = "a value of another tag"; if (!n++) first = $3; last = $3 }
    $1 != "value" && $1 != "begin" && $1 != "end" { bad = "something else inside: " $0 }
    END {
      if (!n) bad = "no values"
      moved = last - (from == "" ? first : from)
      if (!bad && (moved < want - slack || moved > want + slack)) bad = "moved by " moved
      if (bad) { print bad > "/dev/stderr"; exit 1 }
      print last
    }' "$work/edit" || fail "tag $1 should have moved by $2 (within $3)"
}

wait_for '^ready'
set -- $(tr -d '\r' <"$work/log" | grep '^ready')
x=$2
y=$3
wait_for '^updated'
if [ -n "$wine" ]; then
  grep -q '^class shared' "$work/log" || fail "two frames did not share one window class"
  # Windows at (300, 200), (7, 5) inside it and (3, 2) inside that; the frame in the last.
  grep -qE '^size 10 7 260 147[[:space:]]*$' "$work/log" ||
    fail "getSize did not give the parent's rectangle in its grandparent's coordinates"
  grep -qE '^paint 0 1[[:space:]]*$' "$work/log" ||
    fail "a paint without an update rectangle drew, or one with it did not"
  grep -q '^scale changed' "$work/log" || fail "a change of DPI did not reach the frame's owner"
else
  grep -q '^cycles clean' "$work/log" || fail "opening and closing frames left windows or files behind"
  grep -q '^host gone handled' "$work/log" || fail "a frame did not close with its host's window"
fi

# The knob at (24, 120): dragged 150 pixels up from its centre in steps of 10,
# once plain and once with Shift: a third of the range per 100 pixels, and a
# fifth of that with Shift.
knob_x=$((x + 44))
knob_y=$((y + 140))
# drag_knob_up [STEPS]: the knob at ($knob_x, $knob_y) dragged up in STEPS
# (15 unless given) steps of 10 pixels.
drag_knob_up() {
  xdotool mousemove $knob_x $knob_y
  sleep 0.2
  xdotool mousedown 1
  for step in $(seq "${1:-15}"); do
    xdotool mousemove $knob_x $((knob_y - 10 * step))
    sleep 0.05
  done
  sleep 0.3
  xdotool mouseup 1
}
drag_knob_up
wait_for '^end 1'
plain=$(check_move 1 0.5 0.0034)
xdotool keydown shift
drag_knob_up
wait_for '^end 1' 2
xdotool keyup shift
fine=$(check_move 1 0.1 0.0007)

# A wheel notch on the knob moves it by its wheel step, and back.
xdotool mousemove $knob_x $knob_y
sleep 0.2
xdotool click 4
wait_for '^end 1' 3
up=$(check_move 1 0.05 0.00001 "$fine")
xdotool click 5
wait_for '^end 1' 4
check_move 1 -0.05 0.00001 "$up" >/dev/null

# A click turns the lower lamp on.
xdotool mousemove $((x + 32)) $((y + 88))
sleep 0.2
xdotool click 1
wait_for '^end 4'
[ "$(last_edit 4 | tr '\n' ' ')" = "begin 4 value 4 1.000000 end 4 " ] ||
  fail "the lamp did not report begin, 1 and end"

# The text edit at (201, 118): a click opens the entry field with its text
# selected (under wine the system's, with its colours from the frame's
# window; in X11 the toolkit's, fed with the keys that the host hands over);
# the typed text reaches the listener once, on Return.
xdotool mousemove $((x + 217)) $((y + 125))
sleep 0.2
xdotool click 1
if [ -n "$wine" ]; then
  wait_for '^field'
  tr -d '\r' <"$work/log" | grep -qx 'field 0 3 255 1 200 180 180 1' ||
    fail "the entry field is not open with its text selected, focused and coloured"
else
  wait_for '^begin 5'
fi
# The pointer wandering over the frame leaves the keys with the field.
xdotool mousemove $((x + 300)) $((y + 150))
sleep 0.3
xdotool type --delay 50 42
sleep 0.5
[ "$(lines '^text')" = 0 ] || fail "the listener heard of the text before Return"
xdotool key Return
wait_for '^text'
sleep 0.5
[ "$(lines '^text')" = 1 ] || fail "the listener heard of the text more than once"
tr -d '\r' <"$work/log" | grep -qx 'text 5 42' || fail "the listener did not get the typed text"
[ "$(tr -d '\r' <"$work/log" | grep -E '^(begin|end|text) 5' | tr '\n' ' ')" = "begin 5 end 5 text 5 42 " ] ||
  fail "the entry was not one begin, one end, then the text"

import -window root -crop "432x172+$x+$y" +repage "$work/screen.png"
keep screen.png
touch "$work/quit"
wait_for "$closed"
if [ -n "$wine" ]; then
  # Swapped buttons: the physical right button is the primary one.
  wait_for '^swapped ready'
  set -- $(grep '^swapped ready' "$work/log" | tr -d '\r')
  xdotool mousemove $(($3 + 20)) $(($4 + 30))
  sleep 0.3
  presses() { grep -c '^swapped press' "$work/log" || true; }
  for button in 3 1; do
    count=$(presses)
    xdotool mousedown $button
    for _ in $(seq 100); do [ "$(presses)" -gt "$count" ] && break; sleep 0.1; done
    sleep 0.3
    xdotool mouseup $button
  done
  # The live state that controls poll is the physical one, as on Windows, and
  # is read through the setting; wine leaves the buttons of the press message
  # itself unswapped, so only where the press landed is checked of those.
  swapped=$(grep '^swapped press' "$work/log" | tr -d '\r' | awk '{print $3, $4, $6}' | tr '\n' ',')
  [ "$swapped" = "20 30 1,20 30 4," ] ||
    fail "with swapped buttons the physical right and left buttons were not held as left and right"
  touch "$work/quit.swapped"
fi
wait "$app" || fail "the window program failed"
app=
set -- $(tr -d '\r' <"$work/log" | grep '^final')
awk -v a="$2" -v b="$fine" 'BEGIN { exit !(a - b < 1e-5 && b - a < 1e-5) }' ||
  fail "the knob ended at $2, not where the last drag and the wheel left it ($fine)"

"$render" "$work/software.png" "$2" "$3" "$4"
total=$((432 * 172))
exact=$(compare -metric AE "$work/screen.png" "$work/software.png" null: 2>&1 || true)
near=$(compare -metric AE -fuzz 3% "$work/screen.png" "$work/software.png" null: 2>&1 || true)
grep -E '^(size|paint|swapped press)' "$work/log" | tr -d '\r' | sed 's/^/window-test: /'
echo "window-test: knob after a plain drag $plain, after a drag with Shift $fine;" \
     "final knob $2, lamp $3, text $4"
echo "window-test: screenshot against software rendering: $exact of $total pixels differ," \
     "$near by more than 3%"
if [ -n "$wine" ]; then
  [ "$near" -lt $((total / 100)) ] || fail "more than 1% of the pixels differ by more than 3%"
else
  [ "$exact" = 0 ] || fail "the X11 window does not show the software rendering exactly"
fi

# The plug-in's editor in a window of a small host that loads the plug-in
# file (Brelto.dll under wine, Brelto.so in X11), at 1, 1.5 and 2.
# The host runs audio through the plug-in all along, at 1 a loud sine while
# the file "audio" exists. The Gain knob dragged 150 pixels up (times the
# scale) moves half the range, and at 1 a screenshot taken during that drag,
# with the sine playing, shows the input meter's bar. A click on the upper lamp
# switches Stereo off, at 1 Ctrl + click on the Release knob restores its
# default, and the last screenshot, after the meters have fallen back in
# silence, is compared with the software backend's rendering of the editor
# at that scale and at the values the plug-in ended with. The scale comes
# from the system at 1.5 (Xft.dpi of the X server; the DPI of wine's screen
# for the DPI-aware host) and at 2 from the host (GDK_SCALE in X11; under
# wine the host's scale request once the editor is open, which resizes the
# host's window through the plug-in's request).
[ -n "$editor" ] || exit 0

# A toolkit coordinate on the device pixels at scale $2: $1 x $2, rounded down.
at() { awk -v v="$1" -v s="$2" 'BEGIN { d = v * s; printf "%d", (d == int(d) || d > 0) ? int(d) : int(d) - 1 }'; }

# One session of the editor at scale $1; the rest of the arguments go before
# the host's own.
editor_session() {
  scale=$1
  shift
  rm -f "$work/quit"
  : >"$work/log"
  if [ -n "$wine" ]; then
    wine "$editor" "$@" "$(winepath -w "$plugin")" "$(winepath -w "$work/quit")" \
      "$(winepath -w "$work/audio")" >"$work/log" 2>/dev/null &
  else
    "$editor" "$@" "$plugin" "$work/quit" "$work/audio" >"$work/log" 2>&1 &
  fi
  app=$!
  wait_for '^ready'
  set -- $(tr -d '\r' <"$work/log" | grep '^ready')
  x=$2
  y=$3
  width=$4
  height=$5
  [ "$width $height" = "$(at 432 "$scale") $(at 172 "$scale")" ] ||
    fail "at $scale the editor is $width x $height"
  sleep 0.5
  knob_x=$((x + $(at 44 "$scale")))
  knob_y=$((y + $(at 140 "$scale")))
  # The sine plays for the meters' screenshot at 1; elsewhere they rest.
  if [ "$scale" = 1 ]; then
    touch "$work/audio"
    sleep 0.5
  fi
  # The 150 pixels (times the scale) in slow steps of 3, at 1 the screenshot
  # taken while the knob goes on moving (a knob at rest is not redrawn).
  xdotool mousemove $knob_x $knob_y
  sleep 0.2
  xdotool mousedown 1
  shot=
  for step in $(seq 50); do
    xdotool mousemove $knob_x $((knob_y - $(at $((3 * step)) "$scale")))
    if [ "$step" = 10 ] && [ "$scale" = 1 ]; then
      import -window root -crop "${width}x$height+$x+$y" +repage "$work/during-drag.png" &
      shot=$!
    fi
    sleep 0.05
  done
  if [ -n "$shot" ]; then
    wait "$shot"
    keep during-drag.png
  fi
  sleep 0.3
  xdotool mouseup 1
  rm -f "$work/audio"
  wait_for '^end 1'
  # From the value before the drag: none of the steps taken before the host
  # got round to the press is lost.
  gain=$(check_move 1 0.5 0.0034 0)

  xdotool mousemove $((x + $(at 32 "$scale"))) $((y + $(at 48 "$scale")))
  sleep 0.2
  xdotool click 1
  wait_for '^end 3'
  [ "$(last_edit 3 | tr '\n' ' ')" = "begin 3 value 3 0.000000 end 3 " ] ||
    fail "at $scale the Stereo lamp did not report begin, 0 and end"

  if [ "$scale" = 1 ]; then
    knob_x=$((x + 176))
    drag_knob_up 6
    wait_for '^end 2'
    xdotool mousemove $knob_x $knob_y
    sleep 0.2
    xdotool keydown ctrl
    sleep 0.3
    xdotool click 1
    sleep 0.3
    xdotool keyup ctrl
    wait_for '^end 2' 2
    [ "$(last_edit 2 | grep '^value' | tail -n 1)" = "value 2 0.250000" ] ||
      fail "Ctrl + click did not restore Release's default"
  fi

  sleep 0.5
  shown=editor.png
  [ "$scale" = 1 ] || shown=editor-$scale.png
  import -window root -crop "${width}x$height+$x+$y" +repage "$work/$shown"
  keep "$shown"
  touch "$work/quit"
  wait_for '^final'
  wait "$app" || fail "the editor's host failed"
  app=
  resized=$(tr -d '\r' <"$work/log" | grep '^sized' | tail -n 1 || true)
  set -- $(tr -d '\r' <"$work/log" | grep '^final')
  "$render_editor" --scale "$scale" "$work/editor-software.png" "$2" "$3" "$4" "$5" "$6"
  if [ "$scale" = 1 ]; then
    # The first input meter (160 x 8 at (216, 40)) during the drag against
    # the meters at rest: the sine at -1 dBFS lights about three quarters of
    # its pixels (the bar is drawn in segments), a meter at rest none.
    meter="160x8+216+40"
    convert "$work/during-drag.png" -crop "$meter" +repage "$work/meter-drag.png"
    convert "$work/editor-software.png" -crop "$meter" +repage "$work/meter-rest.png"
    lit=$(compare -metric AE -fuzz 3% "$work/meter-drag.png" "$work/meter-rest.png" null: 2>&1 || true)
    echo "window-test: editor during a drag with audio: $lit of 1280 pixels of the input meter lit"
    [ "$lit" -ge 640 ] || fail "the meters showed no bar during the drag"
  fi
  pixels=$((width * height))
  exact=$(compare -metric AE "$work/$shown" "$work/editor-software.png" null: 2>&1 || true)
  near=$(compare -metric AE -fuzz 3% "$work/$shown" "$work/editor-software.png" null: 2>&1 || true)
  echo "window-test: editor at $scale (${width}x$height${resized:+, $resized}): Gain after the drag $gain;" \
       "final parameters $2 $3 $4 $5 $6"
  echo "window-test: editor screenshot at $scale against software rendering: $exact of $pixels" \
       "pixels differ, $near by more than 3%"
  if [ -n "$wine" ]; then
    [ "$near" -lt $((pixels / 100)) ] ||
      fail "editor at $scale: more than 1% of the pixels differ by more than 3%"
  else
    [ "$exact" = 0 ] || fail "the editor's X11 window at $scale does not show the software rendering exactly"
  fi
}

editor_session 1
if [ -n "$wine" ]; then
  desktop='HKCU\Control Panel\Desktop'
  wine reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  editor_session 1.5
  wine reg add "$desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  editor_session 2 --scale 2
  grep -q '^sized 864 344' "$work/log" || fail "the host's scale did not resize its window"
else
  # The host idles slowly: the press waits for it while the pointer moves on.
  xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi: 144"
  editor_session 1.5 --idle 300
  xprop -root -remove RESOURCE_MANAGER
  GDK_SCALE=2
  export GDK_SCALE
  editor_session 2 --idle 300
  unset GDK_SCALE
fi
