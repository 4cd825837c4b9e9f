#!/bin/sh
# Makes MP3 files with lyrics in their ID3v2 tags for the lyric tests: sound
# by sox, encoded by lame, tagged by a real tagger (mutagen), some of them then
# damaged. Usage: make_tagged_mp3s.sh OUTDIR
set -eu
out="$1"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

. "$(dirname "$0")/../../scripts/mutagen.sh"

sox -n -r 44100 -c 1 "$tmp/tone44.wav" synth 0.5 sine 440 vol 0.5
sox -n -r 48000 -c 1 "$tmp/tone48.wav" synth 0.5 sine 440 vol 0.5
lame --quiet -b 64 "$tmp/tone44.wav" "$tmp/base44.mp3"  # MPEG-1, 1152 samples a frame at 44.1 kHz
lame --quiet -b 64 "$tmp/tone48.wav" "$tmp/base48.mp3"  # MPEG-1 at 48 kHz: a frame is 24 ms

"$python" - "$tmp" "$out" <<'EOF'
import os, shutil, sys
from mutagen.id3 import ID3, SYLT, TALB, TIT2, TPE1, USLT

tmp, out = sys.argv[1], sys.argv[2]

def tagged(name, frames, base="base44.mp3", version=4):
    path = os.path.join(out, name)
    shutil.copy(os.path.join(tmp, base), path)
    tag = ID3()
    for frame in frames:
        tag.add(frame)
    tag.save(path, v2_version=version)
    return path

def sylt(entries, encoding=3, format=2, type=1, desc=""):
    return SYLT(encoding=encoding, lang="eng", format=format, type=type, desc=desc, text=entries)

def uslt(text, encoding=3, desc=""):
    return USLT(encoding=encoding, lang="eng", desc=desc, text=text)

def latin1(text, codec):  # legacy bytes, as a Latin-1 frame holds them
    return text.encode(codec).decode("latin-1")

tagged("sylt_utf8_ms.mp3", [sylt([("First line", 1000), ("第二行", 2500), ("Past a hundred minutes", 6000000)])])
tagged("sylt_utf16_frames.mp3", [sylt([("One", 250), ("Two", 500), ("三", 1000)], encoding=1, format=1)],
       base="base48.mp3")
gbk = ["窗外的雨下了一整夜", "街灯把影子拉得很长", "我在月台上等一班车", "等它带我回到你身旁",
       "那年夏天我们说过的话", "像风一样吹过了海港", "你笑着说不要回头看", "前方总会有新的光"]
tagged("sylt_latin1_gbk.mp3", [sylt([(latin1(line, "gbk"), 1000 * (i + 1)) for i, line in enumerate(gbk)],
                                     encoding=0)])
tagged("sylt_syllables.mp3", [sylt([("Hel", 1000), ("lo ", 1250), ("world", 1500), ("\nSecond", 3000),
                                    (" line", 3400), ("\r\nThird", 5000)])])
tagged("uslt_lrc.mp3", [uslt("[00:01.00]Alpha\n[00:02.00][00:04.00]Beta\n")])
# Names for the lyric service, and none (the file's title stands in).
tagged("named.mp3", [TIT2(encoding=3, text="  歌名 Title "), TPE1(encoding=1, text="Artist"),
                     TALB(encoding=3, text="Album")])
tagged("uslt_plain.mp3", [uslt("Just words\nno times\n", encoding=1)])
# mutagen writes the frames of a kind smallest first: the frame of other
# content comes first, the chosen one second.
tagged("several.mp3", [sylt([("x", 100)], type=0, desc="o"),
                       sylt([("Chosen", 2000)], desc="a"),
                       sylt([("The second lyric frame", 3000)], desc="b"),
                       uslt("[00:09.00]Unsynchronised")], version=3)

# Damaged tags. A small USLT frame stands before a larger SYLT frame.
def damaged(name, edit, extra=()):
    path = tagged(name, [uslt("[00:01.00]Kept"),
                         sylt([("Line %d of the synchronised lyrics" % i, 1000 * i) for i in range(40)])]
                  + list(extra))
    with open(path, "rb") as f:
        data = bytearray(f.read())
    with open(path, "wb") as f:
        f.write(edit(data))

def sylt_at(data):
    return data.index(b"SYLT")

def syncsafe(n):
    return bytes([(n >> 21) & 127, (n >> 14) & 127, (n >> 7) & 127, n & 127])

damaged("bad_truncated.mp3", lambda d: d[:sylt_at(d) + 300])                        # ends inside the SYLT frame
damaged("bad_frame_claim.mp3", lambda d: d[:sylt_at(d) + 4] + syncsafe(0x0FFFFFFF) + d[sylt_at(d) + 8:])
damaged("bad_tag_claim.mp3", lambda d: d[:6] + syncsafe(0x0FFFFFFF) + d[10:])     # the tag claims 256 MB
damaged("bad_garbled.mp3",
        lambda d: d[:sylt_at(d) + 10] + bytes((i * 151 + 7) % 256 for i in range(400)) + d[sylt_at(d) + 410:])
tagged("bad_unsorted.mp3", [sylt([("Three", 3000), ("One", 1000), ("One again", 1000), ("Two", 2000)])])
tagged("bad_50mb.mp3", [uslt(("la " * 20 + "\n") * (50 * 1024 * 1024 // 61), encoding=0)])
EOF
cp "$tmp/base44.mp3" "$out/no_tag.mp3"
touch "$out/stamp"
