#!/usr/bin/env bash
# Synthesises the alarm and shutter sounds with sox (16-bit mono WAV, 22050 Hz).
# Usage: make-sounds.sh OUTDIR
set -euo pipefail
out=${1:-wav}
mkdir -p "$out"
if ! command -v sox >/dev/null 2>&1; then
  echo "make-sounds: sox is missing (apt-get install sox)" >&2
  exit 1
fi
# Alarm: a two-tone 880/660 Hz pattern, 1.2 s, that loops cleanly.
sox -n -r 22050 -b 16 -c 1 "$out/alarm.tmp.wav" \
  synth 0.15 sine 880 : synth 0.15 sine 660 : synth 0.15 sine 880 : synth 0.15 sine 660 : \
  synth 0.15 sine 880 : synth 0.15 sine 660 : synth 0.3 sine 0 vol 0.6 fade q 0.005 0 0.005
mv "$out/alarm.tmp.wav" "$out/alarm.wav"
# Shutter: two short filtered noise clicks.
sox -n -r 22050 -b 16 -c 1 "$out/snap.tmp.wav" \
  synth 0.035 whitenoise : synth 0.05 sine 0 : synth 0.06 whitenoise vol 0.4 highpass 1500 fade q 0.002 0.06 0.05 vol 0.5
mv "$out/snap.tmp.wav" "$out/snap.wav"
