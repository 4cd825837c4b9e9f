#!/bin/sh
# Makes the lyric benchmark's songs: a 10 MB MP3 (lame's frames of one second
# of sound, repeated) with a 500-line SYLT frame written by mutagen, its times
# in milliseconds in one copy and in MPEG frames in the other.
# Usage: make_bench_mp3s.sh OUTDIR
set -eu
out="$1"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

. "$(dirname "$0")/../../scripts/mutagen.sh"

sox -n -r 44100 -c 2 "$tmp/tone.wav" synth 1.0 sine 440 vol 0.5
lame --quiet -t -b 128 "$tmp/tone.wav" "$tmp/second.mp3"

"$python" - "$tmp/second.mp3" "$out" <<'PY'
import os, sys
from mutagen.id3 import ID3, SYLT

second, out = sys.argv[1], sys.argv[2]
sound = open(second, "rb").read()
body = sound * (10 * 1024 * 1024 // len(sound) + 1)
lines = [("第 %d 行 歌詞 lyric line number %d" % (i, i), i) for i in range(500)]
for name, format, unit in (("sylt_ms.mp3", 2, 1200), ("sylt_frames.mp3", 1, 46)):
    path = os.path.join(out, name)
    with open(path, "wb") as f:
        f.write(body)
    tag = ID3()
    tag.add(SYLT(encoding=3, lang="eng", format=format, type=1, desc="",
                 text=[(text, i * unit) for text, i in lines]))
    tag.save(path)
PY
touch "$out/stamp"
