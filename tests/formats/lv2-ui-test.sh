#!/bin/sh
# The LV2 bundle's X11 UI on an Xvfb display of its own, in the small host
# brelto_lv2_ui_test: xdotool drags the Gain knob 150 pixels up (the host must
# get the gain port grabbed, values rising to 15 dB and let go) and clicks the
# Stereo lamp off (grabbed, 0, let go); the screenshot must show the host's
# own changes and meter readings: it is compared pixel for pixel with the
# editor rendered by the software backend at the values the ports ended with
# and the readings the host sent. The host then makes and cleans up 100 UIs,
# and makes one at the scale factor 2, which it then sets to 1.5.
# usage: lv2-ui-test.sh UI-HOST BUNDLE-FOLDER RENDER-EDITOR-PROGRAM
set -eu
host=$1
bundle=$2
render_editor=$3
work=$(mktemp -d)
app=
xvfb=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
touch "$work/log"
fail() { echo "lv2-ui-test: $*" >&2; sed 's/^/  log: /' "$work/log" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
DISPLAY=:$(cat "$work/display")
export DISPLAY
"$host" "$bundle" "$work/quit" >"$work/log" 2>&1 &
app=$!
wait_for() {
  for _ in $(seq 300); do
    grep -q "$1" "$work/log" && return 0
    kill -0 "$app" 2>/dev/null || fail "the host ended before '$1'"
    sleep 0.1
  done
  fail "no '$1' from the host"
}
# The lines about port $1 from its last grab on.
last_gesture() {
  awk -v port="$1" '
    $1 == "touch" && $2 == port && $3 == 1 { n = 0; delete seen }
    ($1 == "touch" || $1 == "write") && $2 == port { seen[n++] = $1 " " $3 }
    END { for (i = 0; i < n; i++) print seen[i] }' "$work/log"
}

wait_for '^ready'
set -- $(grep '^ready' "$work/log")
x=$2
y=$3
grep -qx 'resize 432 172' "$work/log" || fail "the UI did not ask for 432 x 172"
grep -qx 'widget child' "$work/log" || fail "the widget is not a 432 x 172 window in the host's"
sleep 0.5

knob_x=$((x + 44))
knob_y=$((y + 140))
xdotool mousemove $knob_x $knob_y
sleep 0.2
xdotool mousedown 1
for step in $(seq 15); do
  xdotool mousemove $knob_x $((knob_y - 10 * step))
  sleep 0.05
done
sleep 0.3
xdotool mouseup 1
wait_for '^touch 5 0'
last_gesture 5 >"$work/gain"
awk 'NR == 1 && $0 != "touch 1" { bad = "does not start with the grab" }
     $1 == "write" { if ($2 < last) bad = "fell back"; last = $2; n++ }
     END {
       if ($0 != "touch 0") bad = "does not end with the release"
       if (!n) bad = "no values"
       if (last < 14.9 || last > 15.1) bad = "ended at " last " dB"
       if (bad) { print bad > "/dev/stderr"; exit 1 }
     }' "$work/gain" || fail "the gain port should have risen to 15 dB in one gesture"

xdotool mousemove $((x + 32)) $((y + 48))
sleep 0.2
xdotool click 1
wait_for '^touch 7 0'
[ "$(last_gesture 7 | tr '\n' ' ')" = "touch 1 write 0.000000 touch 0 " ] ||
  fail "the Stereo lamp did not write 0 between grab and release"

sleep 0.5
import -window root -crop "432x172+$x+$y" +repage "$work/ui.png"
touch "$work/quit"
wait_for '^final'
wait_for '^cycles clean'
wait_for '^scaled'
grep -qx 'scaled 864 344, 648 258' "$work/log" ||
  fail "the UI did not follow ui:scaleFactor 2 as it was made, then 1.5 set later"
wait "$app" || fail "the host failed"
app=
set -- $(grep '^final' "$work/log")
# The readings of -6, -12 dB in, 9 dB reduction, -3, -30 dB out on the meters' 30 dB scale.
"$render_editor" "$work/software.png" "$2" "$3" "$4" "$5" "$6" 0.8 0.6 0.3 0.9 0
exact=$(compare -metric AE "$work/ui.png" "$work/software.png" null: 2>&1 || true)
echo "lv2-ui-test: final controls $2 $3 $4 $5 $6; screenshot against software rendering:" \
     "$exact of $((432 * 172)) pixels differ"
[ "$exact" = 0 ] || fail "the UI does not show the ports' values and the meters exactly"
