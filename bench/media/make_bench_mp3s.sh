#!/bin/sh
# The long files the media benchmark plays and opens. Usage: make_bench_mp3s.sh OUTDIR
set -eu
out="$1"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
# 60 s at 128 kbit/s, and 10 min at 320 kbit/s: sweeping tones.
sox -n -r 44100 -c 2 "$tmp/a.wav" synth 60 sine 200-2000 vol 0.4
lame --quiet -b 128 "$tmp/a.wav" "$out/song60s.mp3"
sox -n -r 44100 -c 2 "$tmp/b.wav" synth 600 sine 300-3000 vol 0.5
lame --quiet -b 320 "$tmp/b.wav" "$out/song10min320.mp3"
# 10 s at 320 kbit/s without a header: the benchmark repeats its frames into
# a 60 min stream when it runs.
sox -n -r 44100 -c 2 "$tmp/c.wav" synth 10 sine 250-2500 vol 0.5
lame --quiet -t -b 320 "$tmp/c.wav" "$out/frames10s320.mp3"
touch "$out/stamp"
