#!/bin/sh
# Makes the short songs the reliability tests start from, with a real encoder
# (lame) from a tone made by sox. Usage: make_songs.sh OUTDIR
set -eu
out="$1"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
sox -n -r 44100 -c 2 tone.wav synth 0.3 sine 440 vol 0.5
lame --quiet --noreplaygain -b 128 tone.wav short.mp3
sox -n -r 44100 -c 2 long.wav synth 2.5 sine 330 vol 0.5
lame --quiet --noreplaygain -b 128 long.wav long.mp3
cp short.mp3 long.mp3 "$out"/
touch "$out/stamp"
