#!/bin/sh
# Brelto.clap's editor on an Xvfb display of its own, in the small CLAP host
# brelto_clap_editor_test: the editor takes scale 1 and refuses 2; while the
# host does not process, xdotool drags the Gain knob 150 pixels up and the
# host's flush must bring the gesture's begin, values rising to 15 dB and its
# end; while it processes on its audio thread, a click on the Stereo lamp must
# come out of process as begin, 0, end. The screenshot is compared pixel for
# pixel with the editor rendered by the software backend at the values the
# host ended with (kept in SHOTS-FOLDER to be looked at); every main-thread
# request came on the main thread, and 100 editors made and destroyed leave
# nothing behind.
# usage: clap-editor-test.sh EDITOR-HOST PLUGIN.clap RENDER-EDITOR-PROGRAM SHOTS-FOLDER
set -eu
host=$1
plugin=$2
render_editor=$3
shots=$4
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
fail() { echo "clap-editor-test: $*" >&2; sed 's/^/  log: /' "$work/log" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
DISPLAY=:$(cat "$work/display")
export DISPLAY
"$host" "$plugin" "$work" >"$work/log" 2>&1 &
app=$!
wait_for() {
  for _ in $(seq 300); do
    grep -q "$1" "$work/log" && return 0
    kill -0 "$app" 2>/dev/null || fail "the host ended before '$1'"
    sleep 0.1
  done
  fail "no '$1' from the host"
}
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
grep -qx 'scale 1 1' "$work/log" && grep -qx 'scale 2 0' "$work/log" ||
  fail "the editor should take scale 1 and refuse 2"
sleep 0.5

knob_x=$((x + 44))
knob_y=$((y + 140))
xdotool mousemove $knob_x $knob_y
sleep 0.2
xdotool mousedown 1
# A hand rests on the knob before it moves; the press reaches the editor at its next idle.
sleep 0.2
for step in $(seq 15); do
  xdotool mousemove $knob_x $((knob_y - 10 * step))
  sleep 0.05
done
sleep 0.3
xdotool mouseup 1
wait_for '^flush end 1'
last_gesture flush 1 >"$work/gain"
awk 'NR == 1 && $0 != "begin" { bad = "does not start with the begin" }
     $1 == "value" { if ($2 < last) bad = "fell back"; last = $2; n++ }
     END {
       if ($0 != "end") bad = "does not end with the end"
       if (!n) bad = "no values"
       if (last < 14.9 || last > 15.1) bad = "ended at " last " dB"
       if (bad) { print bad > "/dev/stderr"; exit 1 }
     }' "$work/gain" || fail "the flushes should have brought a gesture of Gain rising to 15 dB"

touch "$work/play"
wait_for '^processing'
xdotool mousemove $((x + 32)) $((y + 48))
sleep 0.2
xdotool click 1
wait_for '^process end 3'
[ "$(last_gesture process 3 | tr '\n' ' ')" = "begin value 0.000000 end " ] ||
  fail "the Stereo lamp's click did not come out of process as begin, 0, end"
! grep -qE '^flush (begin|end) 3$|^flush value 3 ' "$work/log" ||
  fail "the click came through a flush while the host processed"

sleep 0.5
import -window root -crop "432x172+$x+$y" +repage "$work/editor.png"
touch "$work/quit"
wait_for '^final'
wait_for '^cycles clean'
wait "$app" || fail "the host failed"
app=
grep -qx 'threads kept' "$work/log" || fail "a main-thread request came on another thread"
mkdir -p "$shots"
cp "$work/editor.png" "$shots/editor.png"
set -- $(grep '^final' "$work/log")
"$render_editor" "$work/software.png" "$2" "$3" "$4" "$5" "$6"
exact=$(compare -metric AE "$work/editor.png" "$work/software.png" null: 2>&1 || true)
echo "clap-editor-test: final controls $2 $3 $4 $5 $6; screenshot against software rendering:" \
     "$exact of $((432 * 172)) pixels differ"
[ "$exact" = 0 ] || fail "the editor does not show the parameters exactly"
