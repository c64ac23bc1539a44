#!/bin/sh
# The LV2 bundle's X11 UI on an Xvfb display of its own, in the small host
# brelto_lv2_ui_test: xdotool drags the Gain knob 150 pixels up (the host must
# get the gain port grabbed, values rising to 15 dB and let go) and clicks the
# Stereo lamp off (grabbed, 0, let go); the screenshot must show the host's
# own changes and meter readings: it is compared pixel for pixel with the
# editor rendered by the software backend at the values the ports ended with
# and the readings the host sent. The host then makes and cleans up CYCLES
# UIs (100 unless given), and makes one at the scale factor 2, which it then
# sets to 1.5.
# usage: lv2-ui-test.sh UI-HOST BUNDLE-FOLDER RENDER-EDITOR-PROGRAM [CYCLES]
set -eu
. "$(dirname "$0")/../window/drive-editor.sh"
host=$1
bundle=$2
render_editor=$3
cycles=${4:-}
begin_session lv2-ui-test

start_host "$host" "$bundle" "$work/quit" ${cycles:+"$cycles"}
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

drag_knob_up $((x + 44)) $((y + 140))
wait_for '^touch 5 0'
last_gesture 5 >"$work/gain"
check_rise "$work/gain" "touch 1" "touch 0" write ||
  fail "the gain port should have risen to 15 dB in one gesture"

click_at $((x + 32)) $((y + 48))
wait_for '^touch 7 0'
[ "$(last_gesture 7 | tr '\n' ' ')" = "touch 1 write 0.000000 touch 0 " ] ||
  fail "the Stereo lamp did not write 0 between grab and release"

shoot_and_quit "$x" "$y" "$work/ui.png"
grep -qx 'scaled 864 344, 648 258' "$work/log" ||
  fail "the UI did not follow ui:scaleFactor 2 as it was made, then 1.5 set later"
set -- $(grep '^final' "$work/log")
# The readings of -6, -12 dB in, 9 dB reduction, -3, -30 dB out on the meters' 30 dB scale.
"$render_editor" "$work/software.png" "$2" "$3" "$4" "$5" "$6" 0.8 0.6 0.3 0.9 0
exact=$(differing_pixels "$work/ui.png" "$work/software.png")
echo "lv2-ui-test: final controls $2 $3 $4 $5 $6; screenshot against software rendering:" \
     "$exact of $((432 * 172)) pixels differ"
[ "$exact" = 0 ] || fail "the UI does not show the ports' values and the meters exactly"
