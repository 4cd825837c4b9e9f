#!/usr/bin/env bash
# Makes the demo songs of this folder: spoken lyric lines over a soft chord,
# each line spoken at the time its tag gives, encoded with lame as MPEG-1 at
# 44.1 kHz. The .txt lyric files beside the first three are kept in the
# repository as they are; for the other two this script writes the lyrics from
# the same lines as the sound: an .lrc file, and a SYLT frame in the MP3's
# ID3v2 tag (python3-mutagen). Needs espeak-ng, sox, lame and python3-mutagen.
set -euo pipefail
cd "$(dirname "$0")"
. ../scripts/mutagen.sh
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# song NAME LENGTH VOICE CHORD -- then "seconds|text" lines on stdin, which are
# also kept in $work/NAME.lines for the lyrics written below.
song() {
    local name="$1" length="$2" voice="$3" chord="$4"
    local parts=() i=0 at text
    : > "$work/$name.lines"
    sox -n -r 44100 -c 1 "$work/bed.wav" synth "$length" $chord vol 0.06 fade q 1 "$length" 2
    parts+=("$work/bed.wav")
    while IFS='|' read -r at text; do
        [ -z "$at" ] && continue
        i=$((i + 1))
        printf '%s|%s\n' "$at" "$text" >> "$work/$name.lines"
        espeak-ng -v "$voice" -s 150 -w "$work/raw$i.wav" "$text"
        sox -G "$work/raw$i.wav" -r 44100 -c 1 "$work/line$i.wav" pad "$at" 0
        parts+=("$work/line$i.wav")
    done
    sox -m "${parts[@]}" "$work/mix.wav" trim 0 "$length" norm -3
    lame --quiet --noreplaygain --resample 44.1 -b 64 -m m --tt "$name" "$work/mix.wav" "$name.mp3"
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

# Lines at fractional times, in an .lrc file whose tags are written 250 ms
# late and moved back by its [offset:].
song "Evening Train" 26 en-gb "sine 175 sine 220 sine 262" <<'LINES'
1.5|The evening train is running late
5.25|The platform lights are burning
9.75|I count the windows passing by
14|And every one is turning
18.5|Evening train, evening train
22.4|Carry me home
LINES
{
    printf '[ti:Evening Train]\n[ar:The Demo Voices]\n[al:Demo Songs]\n[offset:+250]\n\n'
    awk -F'|' '{ t = $1 + 0.25; printf "[%02d:%05.2f]%s\n", int(t / 60), t - 60 * int(t / 60), $2 }' \
        "$work/Evening Train.lines"
} > "Evening Train.lrc"

# Lyrics inside the MP3: a SYLT frame (UTF-16, times in milliseconds), one
# entry per line, each line after the first beginning with a line break; the
# last line is given as two syllables.
song "紙飛機" 24 cmn "sine 233 sine 294 sine 349" <<'LINES'
1|摺一架紙飛機
6|寫上我的名字
11|讓風帶它飛過
16|高高的屋頂
20|飛呀 飛呀
LINES
"$python" - "紙飛機.mp3" "$work/紙飛機.lines" <<'PY'
import sys
from mutagen.id3 import ID3, SYLT, TPE1, Encoding

path, lines = sys.argv[1], sys.argv[2]
entries = []
with open(lines, encoding="utf-8") as f:
    for n, row in enumerate(f.read().splitlines()):
        at, text = row.split("|", 1)
        ms = round(float(at) * 1000)
        start = "" if n == 0 else "\n"
        if " " in text:  # two syllables, the second half a second later
            first, second = text.split(" ", 1)
            entries += [(start + first + " ", ms), (second, ms + 500)]
        else:
            entries.append((start + text, ms))
tag = ID3(path)  # the tag lame wrote, with the title
tag.add(TPE1(encoding=Encoding.UTF16, text="The Demo Voices"))
tag.add(SYLT(encoding=Encoding.UTF16, lang="zho", format=2, type=1, desc="", text=entries))
tag.save(path, v2_version=3)
PY
