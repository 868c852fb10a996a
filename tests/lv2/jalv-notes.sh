#!/bin/sh
# Plays the bundle in jalv, a real LV2 host, on JACK's dummy backend (in real time): while the
# transport rolls for a few seconds, jack_midi_dump records what the plug-in sends, and its
# notes must fall on the sixteenth-note grid of 120 beats per minute (6000 frames at 48 kHz).
# Usage: jalv-notes.sh LV2_FOLDER WORK_FOLDER
set -u
export LV2_PATH="$1"
work="$2"
rm -rf "$work" && mkdir -p "$work/settings"
export TAMBORAK_CONFIG_DIR="$work/settings"
# One server name for every run, so that a run killed midway leaves no stale server behind to
# fill the system's table of JACK servers: the next run takes its place.
export JACK_DEFAULT_SERVER=tamborak-test
export JACK_NO_AUDIO_RESERVATION=1

pids=""
finish() {
  exec 3>&- 2>/dev/null
  for p in $pids; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -f "$work/stdin"
}
trap finish EXIT
fail() { echo "FAIL - $*"; echo "0 passed, 1 failed"; exit 1; }
waitForPort() {
  for _ in $(seq 100); do jack_lsp 2>/dev/null | grep -qx "$1" && return 0; sleep 0.1; done
  fail "no JACK port $1"
}

jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
pids="$pids $!"
jack_wait -w -t 10 >/dev/null 2>&1 || fail "the JACK server did not start (see $work/jackd.log)"
# jalv reads commands from standard input and ends at its end: keep it open.
mkfifo "$work/stdin"
jalv -n tamborak urn:velmora:tamborak <"$work/stdin" >"$work/jalv.log" 2>&1 &
pids="$pids $!"
exec 3>"$work/stdin"
waitForPort tamborak:out
jack_midi_dump -a >"$work/dump.txt" 2>&1 &
pids="$pids $!"
waitForPort midi-monitor:input
jack_connect tamborak:out midi-monitor:input || fail "cannot connect the plug-in to the recorder"
echo play | jack_transport >/dev/null 2>&1
sleep 4

awk '/note on/ { t = $1 + 0; if (t != last) { n++; if (n > 1) { r = (t - first) % 6000; if (r > 2 && r < 5998) bad++ } if (n == 1) first = t; last = t } }
     END { printf "%d note times, %d off the grid\n", n, bad; exit !(n >= 10 && bad == 0) }' "$work/dump.txt" ||
  { grep "note on" "$work/dump.txt" | head -20; fail "jalv: the notes are not on the beat grid (see $work/dump.txt)"; }
grep -q "a0 00 00" "$work/dump.txt" && fail "jalv: the engine's empty-window markers reached the output"
echo "ok - jalv on JACK's dummy backend emits notes on the beat grid"
echo "1 passed, 0 failed"
