#!/bin/sh
# Brelto in real hosts from Debian's packages, as a user would run them:
# - Ardour (ardour7-lua, headless, dummy backend): loads Brelto.so as a Linux
#   VST, lists its ten parameters, sets Gain and Stereo, rolls the transport
#   over pink noise and reads the track's output peaks, which must sit at the
#   0.999 ceiling;
# - LMMS (the 32-bit build with its VST server under wine, on an Xvfb display
#   of its own): renders a full-scale square wave through Brelto.dll at two
#   output ceilings; the file's peaks must be the ceilings.
# Each host gets a home folder of its own, so no cache or setting of the
# user's is read or written.
# usage: try-hosts.sh BRELTO.so BRELTO.dll
set -eu
so=$1
dll=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb=
wine=
cleanup() {
  [ -n "$wine" ] && WINEPREFIX=$work/wine wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
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
Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
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
