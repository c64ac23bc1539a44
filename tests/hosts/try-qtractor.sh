#!/bin/sh
# Brelto.clap in Debian's Qtractor, as a user would run it, on an Xvfb display
# and a JACK server (dummy backend, 48 kHz) of the script's own, with a home
# folder of its own whose ~/.clap holds the plug-in:
# - Qtractor's plug-in scanner finds Brelto there, with two audio inputs and
#   outputs, five parameters and an editor;
# - a session with an audio track of tones and bursts peaking at 0.9 and
#   Brelto on it opens; a double click on the plug-in opens its editor, where
#   xdotool drags Gain 150 pixels up; Qtractor plays the session over JACK's
#   transport, and its master output, recorded with jack_rec, must peak at
#   the ceiling; Qtractor saves the session, which must hold Gain at 15 dB
#   among the parameters and in the plug-in's chunk.
# Screenshots go to SHOTS-FOLDER: qtractor-editor.png, the editor after the
# drag, and qtractor-playing.png, the whole screen while Qtractor plays.
# Where the kernel has no ALSA sequencer (/dev/snd/seq), without which
# Qtractor starts no engine, Qtractor runs with alsa-sequencer-standin.c.
# usage: try-qtractor.sh BRELTO.clap SHOTS-FOLDER
set -eu
plugin=$1
shots=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../window/drive-editor.sh"
work=$(mktemp -d)
xvfb=
jack=
qtractor=
cleanup() {
  set +e
  # Qtractor asks whether to save a changed session when it is asked to end.
  [ -n "$qtractor" ] && kill -9 "$qtractor" 2>/dev/null
  [ -n "$jack" ] && kill "$jack" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "try-qtractor: $*" >&2; [ -f "$work/qtractor.log" ] && sed 's/^/  qtractor: /' "$work/qtractor.log" >&2; exit 1; }
say() { echo "try-qtractor: $*"; }
mkdir -p "$shots" "$work/home/.clap" "$work/session" "$work/runtime"
chmod 700 "$work/runtime"
cp "$plugin" "$work/home/.clap/Brelto.clap"
clap=$work/home/.clap/Brelto.clap

# The scanner, as Qtractor runs it on a file in its CLAP paths.
scanner=$(dpkg -L qtractor | grep '/qtractor_plugin_scan$' | head -n 1)
found=$(echo "CLAP:$clap" | HOME=$work/home "$scanner" 2>&1)
echo "$found" | grep -q '^CLAP|Brelto|2:2|0:0|5:0|GUI,' ||
  fail "the scanner did not find Brelto with 2 inputs, 2 outputs, 5 parameters and an editor: $found"
say "scanner: $found"

start_xvfb 1280x900x24
# One server name for every run, as in try-hosts.sh.
export JACK_DEFAULT_SERVER=brelto-qtractor
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jack.log" 2>&1 &
jack=$!
jack_wait -w -t 10 >/dev/null 2>&1 || fail "the JACK server did not start"

# Eight seconds at 48 kHz: a 220 Hz tone at 0.5, a 440 Hz burst at 0.9 every half second.
python3 - "$work/session/clicks.wav" <<'AUDIO'
import math, struct, sys, wave
rate, frames = 48000, 8 * 48000
out = wave.open(sys.argv[1], "wb")
out.setnchannels(2)
out.setsampwidth(2)
out.setframerate(rate)
samples = bytearray()
for i in range(frames):
    burst = i % (rate // 2) < rate // 20
    v = 0.9 * math.sin(2 * math.pi * 440 * i / rate) if burst else 0.5 * math.sin(2 * math.pi * 220 * i / rate)
    samples += struct.pack("<hh", int(v * 32767), int(v * 32767))
out.writeframes(bytes(samples))
AUDIO
sed -e "s|@FOLDER@|$work/session|" -e "s|@PLUGIN@|$clap|" "$here/qtractor-session.qts" \
  >"$work/session/brelto.qts"

preload=
if [ ! -e /dev/snd/seq ]; then
  cc -shared -fPIC -o "$work/alsa-sequencer.so" "$here/alsa-sequencer-standin.c" ||
    fail "the sequencer's stand-in did not build"
  preload=$work/alsa-sequencer.so
fi
HOME=$work/home XDG_RUNTIME_DIR=$work/runtime LD_PRELOAD=$preload \
  qtractor "$work/session/brelto.qts" >"$work/qtractor.log" 2>&1 &
qtractor=$!
for _ in $(seq 150); do jack_lsp 2>/dev/null | grep -qx 'Qtractor:Master/out_1' && break; sleep 0.1; done
jack_lsp | grep -qx 'Qtractor:Master/out_1' || fail "Qtractor started no engine"
# The main window, named after the session file, and its place on the screen.
main=
for _ in $(seq 100); do
  main=$(xwininfo -root -tree | awk '/brelto\.qts.*Qtractor/{print $NF; exit}')
  [ -n "$main" ] && break
  sleep 0.1
done
[ -n "$main" ] || fail "Qtractor showed no window for the session"
left=$(echo "$main" | cut -d+ -f2)
top=$(echo "$main" | cut -d+ -f3)
sleep 2

# The plug-in in the track's list of plug-ins: a double click opens its editor.
xdotool mousemove $((left + 178)) $((top + 179)) click --repeat 2 --delay 80 1
place=
for _ in $(seq 100); do
  place=$(xwininfo -root -tree | awk '/ 432x172\+0\+0 /{print $NF}' | tail -n 1)
  [ -n "$place" ] && break
  sleep 0.1
done
[ -n "$place" ] || { import -window root "$shots/qtractor-no-editor.png"; fail "Qtractor opened no editor"; }
x=$(echo "$place" | cut -d+ -f2)
y=$(echo "$place" | cut -d+ -f3)
sleep 1
drag_knob_up $((x + 44)) $((y + 140))
sleep 1
import -window root -crop "432x172+$x+$y" +repage "$shots/qtractor-editor.png"

# Four seconds played over JACK's transport, which Qtractor follows, and recorded.
jack_rec -f "$work/out.wav" -d 4 Qtractor:Master/out_1 Qtractor:Master/out_2 >/dev/null 2>&1 &
recorder=$!
sleep 0.3
printf 'locate 0\nplay\n' | jack_transport >/dev/null 2>&1
sleep 2
import -window root "$shots/qtractor-playing.png"
wait "$recorder" || true
printf 'stop\n' | jack_transport >/dev/null 2>&1
peak=$(python3 -c '
import struct, sys, wave
w = wave.open(sys.argv[1])
n = w.getnframes()
samples = struct.unpack("<%dh" % (n * w.getnchannels()), w.readframes(n))
print("%.4f" % (max(abs(s) for s in samples) / 32768.0))' "$work/out.wav") ||
  fail "jack_rec recorded nothing from Qtractor"
say "Qtractor, bursts at 0.9 +15 dB: master output peak $peak (ceiling 0.999)"
awk -v a="$peak" 'BEGIN { exit !(a > 0.998 && a < 0.9996) }' || fail "Qtractor's output is not at the ceiling"

# Saved: the parameters and the plug-in's chunk, which Qtractor keeps compressed.
# Without a window manager the keys go where the pointer last clicked: on the
# main window's empty track area first.
cp "$work/session/brelto.qts" "$work/before.qts"
for _ in 1 2 3; do
  xdotool mousemove $((left + 500)) $((top + 500)) click 1
  sleep 0.3
  xdotool key ctrl+s
  for _ in $(seq 30); do cmp -s "$work/before.qts" "$work/session/brelto.qts" || break 2; sleep 0.1; done
done
sleep 1 # the file written whole
saved_wrong() {
  import -window root "$shots/qtractor-save.png"
  fail "the saved session does not hold Gain at 15 dB (the screen: $shots/qtractor-save.png)"
}
python3 - "$work/session/brelto.qts" <<'SAVED' || saved_wrong
import base64, re, sys, zlib
text = open(sys.argv[1]).read()
# Qt writes the attributes in any order.
gain = float(re.search(r'<param (?=[^>]*index="1")[^>]*>([-0-9.e]+)</param>', text).group(1))
packed = base64.b64decode("".join(re.search(r'<config key="state">(.*?)</config>', text, re.S).group(1).split()))
chunk = zlib.decompress(packed[4:])
lines = [line.decode() for line in chunk[4:].split(b"\0") if line]
print("try-qtractor: saved session: Gain %g dB; chunk of %d bytes:" % (gain, len(chunk)), lines[1:6])
sys.exit(not (abs(gain - 15) < 0.01 and len(chunk) == 1266 and "00Gain=3f000000" in lines))
SAVED
say "screenshots $shots/qtractor-editor.png and $shots/qtractor-playing.png"
