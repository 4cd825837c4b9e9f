#!/bin/sh
# The song of the lyric timing test on GStreamer: 10.5 s of a tone, encoded by
# lame. Usage: make_lyric_song.sh OUTDIR
set -eu
out="$1"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
sox -n -r 44100 -c 2 "$tmp/tone.wav" synth 10.5 sine 523 vol 0.4
lame --quiet --noreplaygain -b 128 "$tmp/tone.wav" "$out/lines40.mp3"
touch "$out/stamp"
