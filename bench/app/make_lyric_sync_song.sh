#!/bin/sh
# The song of the lyric sync benchmark: 60 s of a sweeping tone, encoded by
# lame. Usage: make_lyric_sync_song.sh OUTDIR
set -eu
out="$1"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
sox -n -r 44100 -c 2 "$tmp/a.wav" synth 60 sine 220-880 vol 0.4
lame --quiet --noreplaygain -b 128 "$tmp/a.wav" "$out/song60s.mp3"
touch "$out/stamp"
