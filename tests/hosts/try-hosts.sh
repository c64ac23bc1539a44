#!/bin/sh
# Brelto in real hosts from Debian's packages, as a user would run them:
# - Ardour (ardour7-lua, headless, dummy backend): loads Brelto.so as a Linux
#   VST, lists its ten parameters, sets Gain and Stereo, rolls the transport
#   over pink noise and reads the track's output peaks, which must sit at the
#   0.999 ceiling;
# - LMMS (the 32-bit build with its VST server under wine, on an Xvfb display
#   of its own): renders a full-scale square wave through Brelto.dll at two
#   output ceilings; the file's peaks must be the ceilings;
# - the LV2 bundle, on a JACK server of its own (dummy backend, 48 kHz):
#   jalv runs it with Gain and Stereo set on its command line, fed by
#   jack_metro's clicks, and shows its controls and outputs, the latency among
#   them; its output, recorded with jack_rec, must peak at the ceiling.
#   jalv.gtk3 opens the editor on the Xvfb display, xdotool drags Gain up and
#   clicks Stereo off, and the preset that jalv.gtk3 saves must hold Gain
#   15 dB and Stereo off, in the ports and in the plug-in's chunk; the
#   screenshots before and after go to SHOTS-FOLDER. On a desktop of 144 DPI
#   (Xft.dpi) jalv.gtk3 shows the editor at 1.5, 648 x 258, and a screenshot
#   after a drag goes there too. Ardour puts it on a
#   track, sets Gain and Stereo, rolls over pink noise and saves; the session
#   opened again has the same controls and latency and its output peaks at
#   the ceiling again;
# - Brelto.clap in Qtractor (try-qtractor.sh): its scanner finds it, a
#   session plays through it over JACK and opens its editor.
# Each host gets a home folder of its own, so no cache or setting of the
# user's is read or written.
# usage: try-hosts.sh BRELTO.so BRELTO.dll BRELTO.lv2 BRELTO.clap SHOTS-FOLDER
set -eu
so=$1
dll=$2
bundle=$3
clap=$4
shots=$5
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../window/drive-editor.sh"
work=$(mktemp -d)
xvfb=
wine=
jack=
cleanup() {
  set +e # a host already gone must not keep the others running
  for pid in $jack_clients; do kill "$pid" 2>/dev/null; done
  [ -n "$jack" ] && kill "$jack" 2>/dev/null
  [ -n "$wine" ] && WINEPREFIX=$work/wine wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
jack_clients=
trap cleanup EXIT
fail() { echo "try-hosts: $*" >&2; exit 1; }
say() { echo "try-hosts: $*"; }

# --- Ardour ------------------------------------------------------------------
mkdir -p "$work/vst" "$work/ardour-home"
cp "$so" "$work/vst/Brelto.so"
sleep 1 # the scanner's cache must be newer than the plug-in file
HOME=$work/ardour-home LD_LIBRARY_PATH=/usr/lib/ardour7 \
  /usr/lib/ardour7/ardour-vst-scanner -q -f "$work/vst/Brelto.so" ||
  fail "Ardour's VST scanner refused Brelto.so"
HOME=$work/ardour-home LXVST_PATH=$work/vst BRELTO_SESSION=$work/session \
  ardour7-lua "$here/ardour-session.lua" >"$work/ardour.log" 2>&1 ||
  { sed 's/^/  ardour: /' "$work/ardour.log" >&2; fail "the Ardour session failed"; }
[ "$(grep -c '^parameter' "$work/ardour.log")" = 10 ] || fail "Ardour did not list ten parameters"
grep -q 'lxvst' "$work/session/brelto.ardour" && grep -q '<chunk' "$work/session/brelto.ardour" ||
  fail "Ardour saved no chunk of Brelto's in the session"
grep '^peak' "$work/ardour.log" | awk '
  { if ($3 < -0.02 || $3 > 0) bad = 1; printf "try-hosts: Ardour, pink noise +15 dB, channel %d peak %.4f dBFS\n", $2, $3 }
  END { exit bad || NR != 2 }' || fail "the track's output is not at the ceiling"

# --- LMMS under wine ----------------------------------------------------------
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
mkdir -p "$work/lmms-home"
# No MIDI and no sound card: with its default MIDI client LMMS run as root
# makes a plain file /dev/midi and spins a thread reading it.
cat >"$work/lmms-home/.lmmsrc.xml" <<'EOF'
<?xml version="1.0"?>
<!DOCTYPE lmms-config-file>
<lmms version="1.2.2">
  <mixer audiodev="Dummy (no sound output)" mididev="Dummy (no MIDI support)"/>
</lmms>
EOF
cp "$dll" "$work/Brelto.dll"
wine=yes
export DISPLAY=:$(cat "$work/display") WINEPREFIX=$work/wine WINEDEBUG=-all
HOME=$work/lmms-home wineboot -i >/dev/null 2>&1 || true
# Renders the square wave with the output ceiling (normalised) $1 and prints its peak.
render_peak() {
  sed -e "s|@PLUGIN@|$work/Brelto.dll|g" -e "s|@CEILING@|$1|g" -e "s|@ISP@|0.000000|g" \
    "$here/lmms-project.mmp" >"$work/project.mmp"
  grep -q "param0=\"0:OutCeil:$1\".*param4=\"4:ISP:0.000000\"" "$work/project.mmp" ||
    fail "the LMMS project does not set OutCeil and ISP"
  HOME=$work/lmms-home lmms --allowroot render "$work/project.mmp" -o "$work/out.wav" -f wav \
    >"$work/lmms.log" 2>&1 || { sed 's/^/  lmms: /' "$work/lmms.log" >&2; fail "LMMS failed"; }
  grep -q 'unique ID: 0ii2' "$work/lmms.log" || fail "LMMS did not load Brelto.dll"
  python3 -c '
import struct, sys, wave
w = wave.open(sys.argv[1])
n = w.getnframes()
samples = struct.unpack("<%dh" % (n * w.getnchannels()), w.readframes(n))
print("%.4f" % (max(abs(s) for s in samples) / 32768.0))' "$work/out.wav"
}
for case in "1.000000 0.9990" "0.900000 0.7072"; do
  set -- $case
  peak=$(render_peak "$1")
  say "LMMS, square wave +15 dB, OutCeil $1: peak $peak (expected $2)"
  awk -v a="$peak" -v b="$2" 'BEGIN { exit !(a - b < 0.0006 && b - a < 0.0006) }' ||
    fail "the rendered peak is not the ceiling"
done

# --- The LV2 bundle: jalv, jalv.gtk3 and Ardour --------------------------------
mkdir -p "$work/lv2" "$work/jalv-home" "$shots"
cp -r "$bundle" "$work/lv2/Brelto.lv2"
# One server name for every run: JACK keeps a machine-wide registry of
# servers, and takes back the entry of a server that is gone only for a new
# one of the same name; names of their own would fill it after eight runs.
export LV2_PATH=$work/lv2 JACK_DEFAULT_SERVER=brelto-hosts
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jack.log" 2>&1 &
jack=$!
jack_wait -w -t 10 >/dev/null 2>&1 || fail "the JACK server did not start"
# Waits until JACK has the port $1.
wait_port() {
  for _ in $(seq 100); do jack_lsp 2>/dev/null | grep -qx "$1" && return 0; sleep 0.1; done
  fail "no JACK port $1"
}
peak_of() {
  python3 -c '
import struct, sys, wave
w = wave.open(sys.argv[1])
n = w.getnframes()
samples = struct.unpack("<%dh" % (n * w.getnchannels()), w.readframes(n))
print("%.4f" % (max(abs(s) for s in samples) / 32768.0))' "$1"
}

# jalv reads its commands from a pipe; it ends, and writes out what it
# printed, when the pipe closes.
mkfifo "$work/jalv.in"
HOME=$work/jalv-home stdbuf -oL jalv -n brelto -c gain=15 -c stereo=0 urn:quenor:brelto \
  <"$work/jalv.in" >"$work/jalv.log" 2>&1 &
console=$!
jack_clients="$jack_clients $console"
exec 7>"$work/jalv.in"
wait_port brelto:out_left
jack_metro -n metro -b 300 -A 0.9 -f 440 -D 150 >/dev/null 2>&1 &
jack_clients="$jack_clients $!"
wait_port metro:300_bpm
jack_connect metro:300_bpm brelto:in_left
jack_connect metro:300_bpm brelto:in_right
jack_rec -f "$work/jalv.wav" -d 2 brelto:out_left brelto:out_right >/dev/null 2>&1
echo controls >&7
echo monitors >&7
sleep 1
exec 7>&-
for _ in $(seq 50); do kill -0 "$console" 2>/dev/null || break; sleep 0.1; done
grep -qx 'gain = 15.000000' "$work/jalv.log" && grep -qx 'stereo = 0.000000' "$work/jalv.log" ||
  { sed 's/^/  jalv: /' "$work/jalv.log" >&2; fail "jalv did not set Gain and Stereo"; }
grep -qx 'latency = 768.000000' "$work/jalv.log" || fail "jalv did not see 768 frames of latency"
say "jalv: $(grep -E '^(> )?(level|reduction)' "$work/jalv.log" | sed 's/^> //' | tr '\n' ',' | sed 's/,$//')"
peak=$(peak_of "$work/jalv.wav")
say "jalv, clicks at 0.9 +15 dB: output peak $peak (ceiling 0.999), latency 768 frames"
awk -v a="$peak" 'BEGIN { exit !(a > 0.998 && a < 0.9996) }' || fail "jalv's output is not at the ceiling"

# jalv.gtk3 with the editor; the screen is large enough for its file dialog.
HOME=$work/jalv-home jalv.gtk3 --jack-name breltoui urn:quenor:brelto >"$work/jalv-gtk.log" 2>&1 &
gtk=$!
jack_clients="$jack_clients $gtk"
# The clicks go through it too, so that its meters move.
wait_port breltoui:in_left
jack_connect metro:300_bpm breltoui:in_left
jack_connect metro:300_bpm breltoui:in_right
# editor_place WxH: the absolute place on the screen (+X+Y) of the editor's
# window of that size, once jalv.gtk3 has put it into its own window (it
# shows at the screen's corner first, and moves below the menu); empty when
# none comes.
editor_place() {
  place=
  for _ in $(seq 100); do
    seen=$(xwininfo -root -tree 2>/dev/null | awk -v size=" $1+0+0 " 'index($0, size) { print $NF }' | tail -n 1)
    [ -n "$seen" ] && [ "$seen" = "$place" ] && break
    place=$seen
    sleep 0.3
  done
  echo "$place"
}
place=$(editor_place 432x172)
[ -n "$place" ] || { sed 's/^/  jalv.gtk3: /' "$work/jalv-gtk.log" >&2; fail "jalv.gtk3 showed no editor"; }
x=$(echo "$place" | cut -d+ -f2)
y=$(echo "$place" | cut -d+ -f3)
sleep 1
import -window root -crop "432x172+$x+$y" +repage "$shots/jalv-gtk3-open.png"
drag_knob_up $((x + 44)) $((y + 140))
xdotool mousemove $((x + 32)) $((y + 48))
sleep 0.2
xdotool click 1
sleep 1
import -window root -crop "432x172+$x+$y" +repage "$shots/jalv-gtk3-dragged.png"
# Presets, Save Preset..., a name, Save.
xdotool mousemove 70 12 click 1
sleep 1
xdotool mousemove 110 37 click 1
sleep 2
xdotool type --delay 30 dragged
sleep 1 # Save waits for the name
import -window root "$work/dialog.png"
xdotool mousemove 1046 797 click 1
for _ in $(seq 50); do
  preset=$(find "$work/jalv-home" -name dragged.ttl | head -n 1)
  [ -n "$preset" ] && break
  sleep 0.1
done
kill "$gtk" 2>/dev/null
[ -n "$preset" ] || { cp "$work/dialog.png" "$shots/jalv-gtk3-dialog.png"; fail "jalv.gtk3 saved no preset"; }
sleep 0.5
python3 - "$preset" <<'PRESET' || fail "the preset does not hold the dragged Gain and Stereo off"
import base64, re, sys
text = open(sys.argv[1]).read()
ports = dict(re.findall(r'lv2:symbol "(\w+)" ;\s*pset:value ([-0-9.e]+)', text))
chunk = base64.b64decode("".join(re.search(r'chunk> """(.*?)"""', text, re.S).group(1).split()))
lines = [line.decode() for line in chunk[4:].split(b"\0") if line]
print("try-hosts: jalv.gtk3 preset: ports", ports, "; chunk", lines[1:6])
sys.exit(not (abs(float(ports["gain"]) - 15) < 0.1 and float(ports["stereo"]) == 0
              and "00Stereo=00000000" in lines and any(l.startswith("00Gain=3f0") for l in lines)))
PRESET
say "jalv.gtk3: screenshots $shots/jalv-gtk3-open.png and $shots/jalv-gtk3-dragged.png"

# jalv.gtk3 again on a desktop of 144 dots per inch (the X server's Xft.dpi):
# the editor opens at 1.5, 648 x 258, and the host's window fits it.
xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi: 144"
HOME=$work/jalv-home jalv.gtk3 --jack-name breltoscaled urn:quenor:brelto >"$work/jalv-scaled.log" 2>&1 &
gtk=$!
jack_clients="$jack_clients $gtk"
place=$(editor_place 648x258)
xprop -root -remove RESOURCE_MANAGER
[ -n "$place" ] || { sed 's/^/  jalv.gtk3: /' "$work/jalv-scaled.log" >&2; fail "jalv.gtk3 at 144 DPI showed no editor of 648 x 258"; }
x=$(echo "$place" | cut -d+ -f2)
y=$(echo "$place" | cut -d+ -f3)
sleep 1
# Gain dragged 225 pixels up, 150 at the editor's scale of 1.5: to 15 dB.
xdotool mousemove $((x + 66)) $((y + 210))
sleep 0.2
xdotool mousedown 1
for step in $(seq 15); do
  xdotool mousemove $((x + 66)) $((y + 210 - 15 * step))
  sleep 0.05
done
sleep 0.3
xdotool mouseup 1
sleep 1
import -window root -crop "648x258+$x+$y" +repage "$shots/jalv-gtk3-1.5.png"
kill "$gtk" 2>/dev/null
say "jalv.gtk3 at 144 DPI: the editor at 1.5, 648 x 258, Gain dragged 225 pixels: $shots/jalv-gtk3-1.5.png"

# Ardour: a session made, then opened again.
mkdir -p "$work/ardour-lv2-home"
for pass in made reopened; do
  reopen=
  [ "$pass" = reopened ] && reopen=1
  HOME=$work/ardour-lv2-home BRELTO_SESSION=$work/lv2-session BRELTO_REOPEN=$reopen \
    ardour7-lua "$here/ardour-lv2-session.lua" >"$work/ardour-lv2-$pass.log" 2>&1 ||
    { sed 's/^/  ardour: /' "$work/ardour-lv2-$pass.log" >&2; fail "the Ardour LV2 session ($pass) failed"; }
  grep -E '^(control|latency)' "$work/ardour-lv2-$pass.log" >"$work/ardour-lv2-$pass.settings"
  grep '^peak' "$work/ardour-lv2-$pass.log" | awk -v pass="$pass" '
    { if ($3 < -0.02 || $3 > 0) bad = 1; printf "try-hosts: Ardour, LV2, session %s, pink noise +15 dB, channel %d peak %.4f dBFS\n", pass, $2, $3 }
    END { exit bad || NR != 2 }' || fail "the LV2 track's output ($pass) is not at the ceiling"
done
grep -qE '^control\s+1\s+Gain\s+15\.0$' "$work/ardour-lv2-made.settings" &&
  grep -qE '^latency\s+768$' "$work/ardour-lv2-made.settings" ||
  fail "Ardour did not take Gain, or saw another latency: $(cat "$work/ardour-lv2-made.settings")"
cmp -s "$work/ardour-lv2-made.settings" "$work/ardour-lv2-reopened.settings" ||
  fail "the reopened session has other settings: $(cat "$work/ardour-lv2-reopened.settings")"
grep -rq 'urn:quenor:brelto:chunk' "$work/lv2-session/plugins" || fail "Ardour kept no chunk of Brelto's"
say "Ardour, LV2: $(tr '\t\n' ' ,' <"$work/ardour-lv2-made.settings") the same after reopening"

# --- Brelto.clap in Qtractor ---------------------------------------------------
"$here/try-qtractor.sh" "$clap" "$shots"
