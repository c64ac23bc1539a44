#!/bin/sh
# Brelto.clap's editor on an Xvfb display of its own, in the small CLAP host
# brelto_clap_editor_test: the editor takes scale 2 (864 x 344) and then 1
# (432 x 172); while the
# host does not process, xdotool drags the Gain knob 150 pixels up and the
# host's flush must bring the gesture's begin, values rising to 15 dB and its
# end; while it processes on its audio thread, a click on the Stereo lamp must
# come out of process as begin, 0, end. The screenshot is compared pixel for
# pixel with the editor rendered by the software backend at the values the
# host ended with (kept in SHOTS-FOLDER to be looked at); every main-thread
# request came on the main thread, the open editor set to 1.5 asks the host
# for 648 x 258 and its window takes that size, and CYCLES editors (100
# unless given) made and destroyed leave nothing behind.
# usage: clap-editor-test.sh EDITOR-HOST PLUGIN.clap RENDER-EDITOR-PROGRAM SHOTS-FOLDER [CYCLES]
set -eu
. "$(dirname "$0")/../window/drive-editor.sh"
host=$1
plugin=$2
render_editor=$3
shots=$4
cycles=${5:-}
begin_session clap-editor-test

start_host "$host" "$plugin" "$work" ${cycles:+"$cycles"}
# The edit lines of parameter $2 that came by way $1, from its last begin on.
last_gesture() {
  awk -v way="$1" -v param="$2" '
    $1 == way && $2 == "begin" && $3 == param { n = 0; delete seen }
    $1 == way && ($2 == "begin" || $2 == "end") && $3 == param { seen[n++] = $2 }
    $1 == way && $2 == "value" && $3 == param { seen[n++] = "value " $4 }
    END { for (i = 0; i < n; i++) print seen[i] }' "$work/log"
}

wait_for '^ready'
set -- $(grep '^ready' "$work/log")
x=$2
y=$3
grep -qx 'scale 2 1 864 344' "$work/log" && grep -qx 'scale 1 1 432 172' "$work/log" ||
  fail "the editor should take scale 2 at 864 x 344, then 1 at 432 x 172"
sleep 0.5

drag_knob_up $((x + 44)) $((y + 140))
wait_for '^flush end 1'
last_gesture flush 1 >"$work/gain"
check_rise "$work/gain" begin end value ||
  fail "the flushes should have brought a gesture of Gain rising to 15 dB"

touch "$work/play"
wait_for '^processing'
click_at $((x + 32)) $((y + 48))
wait_for '^process end 3'
[ "$(last_gesture process 3 | tr '\n' ' ')" = "begin value 0.000000 end " ] ||
  fail "the Stereo lamp's click did not come out of process as begin, 0, end"
! grep -qE '^flush (begin|end) 3$|^flush value 3 ' "$work/log" ||
  fail "the click came through a flush while the host processed"

shoot_and_quit "$x" "$y" "$work/editor.png"
grep -qx 'threads kept' "$work/log" || fail "a main-thread request came on another thread"
grep -qx 'rescaled 648 258, 648 258' "$work/log" ||
  fail "the open editor set to 1.5 did not ask for 648 x 258 and take it"
mkdir -p "$shots"
cp "$work/editor.png" "$shots/editor.png"
set -- $(grep '^final' "$work/log")
"$render_editor" "$work/software.png" "$2" "$3" "$4" "$5" "$6"
exact=$(differing_pixels "$work/editor.png" "$work/software.png")
echo "clap-editor-test: final controls $2 $3 $4 $5 $6; screenshot against software rendering:" \
     "$exact of $((432 * 172)) pixels differ"
[ "$exact" = 0 ] || fail "the editor does not show the parameters exactly"
