# What the scripts that drive an editor with real input under Xvfb share.
# Sourced; the script has a folder of its own in $work (begin_session makes
# one) and a fail function.

# begin_session NAME: $work, a folder of the script's own with an empty log,
# removed when the script ends, and the processes $app and $xvfb, which the
# script starts, ended then; fail says why the script failed, with the log.
begin_session() {
  session_name=$1
  work=$(mktemp -d)
  app=
  xvfb=
  trap end_session EXIT
  touch "$work/log"
}
end_session() {
  # Under set -e a kill of a process that has ended already would end the
  # cleaning here, and the Xvfb left running would hold the caller's output.
  [ -z "$app" ] || kill "$app" 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null
  rm -rf "$work"
}
fail() { echo "$session_name: $*" >&2; sed 's/^/  log: /' "$work/log" >&2; exit 1; }

# start_xvfb WxHxDEPTH: an Xvfb display of the script's own, its process in
# $xvfb, DISPLAY exported.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  DISPLAY=:$(cat "$work/display")
  export DISPLAY
}

# wait_for PATTERN: until $work/log has a line that matches, while the
# process $app runs; 30 s at most.
wait_for() {
  for _ in $(seq 300); do
    grep -q "$1" "$work/log" && return 0
    kill -0 "$app" 2>/dev/null || fail "the host ended before '$1'"
    sleep 0.1
  done
  fail "no '$1' from the host"
}

# drag_knob_up X Y: the knob at screen (X, Y) taken with the left button,
# moved 150 pixels up in 15 steps and let go.
drag_knob_up() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool mousedown 1
  for step in $(seq 15); do
    xdotool mousemove "$1" $(($2 - 10 * step))
    sleep 0.05
  done
  sleep 0.3
  xdotool mouseup 1
}

# click_at X Y: a click of the left button at screen (X, Y).
click_at() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool click 1
}

# check_rise FILE FIRST LAST WORD: FILE holds one gesture, the line FIRST,
# lines "WORD VALUE" whose values never fall, and the line LAST, the last
# value 15 (dB).
check_rise() {
  awk -v first="$2" -v final="$3" -v word="$4" '
    NR == 1 && $0 != first { bad = "does not start with " first }
    $1 == word { if ($2 < value) bad = "fell back"; value = $2; n++ }
    END {
      if ($0 != final) bad = "does not end with " final
      if (!n) bad = "no values"
      if (value < 14.9 || value > 15.1) bad = "ended at " value " dB"
      if (bad) { print bad > "/dev/stderr"; exit 1 }
    }' "$1"
}

# differing_pixels A.png B.png: how many pixels of the two images differ.
differing_pixels() {
  compare -metric AE "$1" "$2" null: 2>&1 || true
}

# start_host PROGRAM ARGUMENT...: an Xvfb display of 640 x 400, and on it the
# program, its output in $work/log, its process in $app.
start_host() {
  start_xvfb 640x400x24
  "$@" >"$work/log" 2>&1 &
  app=$!
}

# shoot_and_quit X Y FILE: the editor at screen (X, Y) photographed into
# FILE, then the host told to quit (the file $work/quit), its last lines
# ("final", "cycles clean") awaited and its end.
shoot_and_quit() {
  sleep 0.5
  import -window root -crop "432x172+$1+$2" +repage "$3"
  touch "$work/quit"
  wait_for '^final'
  wait_for '^cycles clean'
  wait "$app" || fail "the host failed"
  app=
}
