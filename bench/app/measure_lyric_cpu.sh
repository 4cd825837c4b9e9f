#!/bin/bash
# Playing CPU of the player on a 60 s MP3 whose lyric file has a line every
# 250 ms, against gst-launch-1.0 playing the same file in the same run, with
# the shared anchors script (its playback figure: CPU over a steady window,
# sound to a PulseAudio null sink). Goal: at most 1.5 times gst-launch.
# Usage: measure_lyric_cpu.sh BUILD_DIR ANCHORS_SCRIPT [more options for it]
#   e.g. bench/app/measure_lyric_cpu.sh build ../shared/bench/measure_anchors.sh --play-runs 5
set -eu
build=$(readlink -f "$1")
anchors=$2
shift 2
work=$(mktemp -d /tmp/lyric-cpu.XXXXXX)
sox -n -r 44100 -c 2 "$work/song.wav" synth 60 sine 300-1200 vol 0.5
lame --quiet -b 192 "$work/song.wav" "$work/song.mp3"
rm -f "$work/song.wav"
awk 'BEGIN { for (i = 0; i < 240; i++) { t = 250 * i;
       printf "[%02d:%02d.%02d]line %d\r\n", t / 60000, (t / 1000) % 60, (t % 1000) / 10, i } }' > "$work/song.txt"
echo "song and lyrics in $work"
exec "$anchors" --only gst,extra --extra player "$build/app/Project1" \
     --extra-play "$build/app/Project1 %f" --mp3 "$work/song.mp3" \
     --runs 1 --no-second --no-verify --work "$work/anchors" "$@"
