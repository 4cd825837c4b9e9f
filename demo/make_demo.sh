#!/usr/bin/env bash
# Makes the three demo songs of this folder: spoken lyric lines over a soft
# chord, each line spoken at the time its tag gives, encoded with lame. The
# lyric files beside them are kept in the repository; this script only makes
# the sound. Needs espeak-ng, sox and lame.
set -euo pipefail
cd "$(dirname "$0")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# song NAME LENGTH VOICE CHORD -- then "seconds|text" lines on stdin
song() {
    local name="$1" length="$2" voice="$3" chord="$4"
    local parts=() i=0 at text
    sox -n -r 22050 -c 1 "$work/bed.wav" synth "$length" $chord vol 0.06 fade q 1 "$length" 2
    parts+=("$work/bed.wav")
    while IFS='|' read -r at text; do
        [ -z "$at" ] && continue
        i=$((i + 1))
        espeak-ng -v "$voice" -s 150 -w "$work/raw$i.wav" "$text"
        sox "$work/raw$i.wav" -r 22050 -c 1 "$work/line$i.wav" pad "$at" 0
        parts+=("$work/line$i.wav")
    done
    sox -m "${parts[@]}" "$work/mix.wav" trim 0 "$length" norm -3
    lame --quiet -b 64 -m m --tt "$name" "$work/mix.wav" "$name.mp3"
}

song "Morning Light" 28 en "sine 220 sine 277 sine 330" <<'LINES'
1|Morning light is on the hill
5|The kettle sings, the house is still
10|Open the window, let it in
15|A quiet day is about to begin
20|Morning light, morning light
24|Stay a little while
LINES

song "月光小夜曲" 26 cmn "sine 196 sine 247 sine 294" <<'LINES'
1|月光照在小河上
6|微風輕輕吹過窗
11|你的歌聲在遠方
16|夜色溫柔又漫長
21|晚安 晚安
LINES

song "Counting Stars" 30 en-us "sine 262 sine 330 sine 392" <<'LINES'
2|One star, two stars, counting in the night
7|Every little light is shining bright
12|Counting stars, counting stars
17|Three stars, four stars, sleepy eyes
22|Counting stars, counting stars
LINES
