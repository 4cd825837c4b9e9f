#!/bin/sh
# Makes the MP3 files the media tests play, with a real encoder (lame), from
# sound made by sox and espeak-ng, joined and damaged with cat and dd. Usage: make_test_mp3s.sh OUTDIR
set -eu
out="$1"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"

lame_q() { lame --quiet --noreplaygain "$@"; }

# Sound: a tone, then noise (so that a VBR encoder really varies its bit rate).
sox -n -r 44100 -c 2 tone.wav synth 1.0 sine 440 vol 0.5
sox -n -r 44100 -c 2 noise.wav synth 1.0 whitenoise vol 0.3
sox tone.wav noise.wav mix44.wav                 # 2.0 s, stereo, 44.1 kHz
espeak-ng -w speech.wav "one two three four five" # mono, 22.05 kHz
sox speech.wav -r 16000 speech16.wav
sox speech.wav -r 8000 speech8.wav

lame_q -b 128 mix44.wav cbr128.mp3
lame_q -b 320 mix44.wav cbr320.mp3
lame_q -V 2 mix44.wav vbr_xing.mp3
lame_q -t -V 2 mix44.wav vbr_noxing.mp3          # no Xing/Info header at all
lame_q -t -b 128 mix44.wav cbr_noxing.mp3
lame_q -m m -b 64 speech.wav mono22.mp3          # MPEG-2, 22.05 kHz mono
lame_q -b 48 speech16.wav mpeg2_16k.mp3          # MPEG-2, 16 kHz
lame_q -b 24 speech8.wav mpeg25_8k.mp3           # MPEG-2.5, 8 kHz
lame_q -b 128 --add-id3v2 --tt "Tagged song" --ta "Some singer" --tl "An album" mix44.wav id3.mp3
# Encodings joined, each part with its header: 44.1 kHz MPEG-1, then 16 kHz
# MPEG-2; and three rates with an ID3v2 tag in the middle.
cat cbr128.mp3 mpeg2_16k.mp3 > joined.mp3
cat mono22.mp3 id3.mp3 mpeg25_8k.mp3 > joined3.mp3

# Streams that change format midway, measured frame by frame: mono and dual
# channel by turns without any header; 44.1 kHz (with its LAME header), then
# 48, 44.1 and 48 kHz without one; two encodings at 44.1 and 48 kHz, each with
# its LAME header.
sox -n -r 44100 -c 1 mono.wav synth 1.5 sine 330 vol 0.5
sox -n -r 48000 -c 2 mix48.wav synth 2.0 sine 550 vol 0.5
lame_q -t -b 128 -m m mono.wav mono_noxing.mp3
lame_q -t -b 128 -m d mix44.wav dual_noxing.mp3
lame_q -t -b 128 mix48.wav cbr48_noxing.mp3
lame_q -b 128 mix48.wav cbr48.mp3
cat mono_noxing.mp3 dual_noxing.mp3 mono_noxing.mp3 dual_noxing.mp3 > mono_then_dual.mp3
cat cbr128.mp3 cbr48_noxing.mp3 cbr_noxing.mp3 cbr48_noxing.mp3 > rate_change.mp3
cat cbr128.mp3 cbr48.mp3 > joined_lame.mp3
# A damaged frame in the middle: zeros over one frame's header (and more than
# a whole 320 kbit/s frame, longer than libmpg123's default search).
cp cbr128.mp3 damaged128.mp3
dd if=/dev/zero of=damaged128.mp3 bs=1 seek=$(( $(wc -c < cbr128.mp3) / 2 )) count=420 conv=notrunc 2> /dev/null
cp cbr320.mp3 damaged320.mp3
dd if=/dev/zero of=damaged320.mp3 bs=1 seek=$(( $(wc -c < cbr320.mp3) / 2 )) count=1100 conv=notrunc 2> /dev/null

# An ID3v2.3 tag with a 3 MB embedded picture in front of the CBR file.
syncsafe() { # 4 bytes, 7 bits each
    printf "\\$(printf %03o $(( ($1 >> 21) & 127 )))\\$(printf %03o $(( ($1 >> 14) & 127 )))"
    printf "\\$(printf %03o $(( ($1 >> 7) & 127 )))\\$(printf %03o $(( $1 & 127 )))"
}
be32() {
    printf "\\$(printf %03o $(( ($1 >> 24) & 255 )))\\$(printf %03o $(( ($1 >> 16) & 255 )))"
    printf "\\$(printf %03o $(( ($1 >> 8) & 255 )))\\$(printf %03o $(( $1 & 255 )))"
}
picture=3145728
head -c "$picture" /dev/urandom > picture.bin
frame=$(( 1 + 11 + 1 + 1 + picture ))            # encoding, "image/jpeg\0", type, "\0", data
{
    printf 'ID3\003\000\000'; syncsafe $(( 10 + frame ))
    printf 'APIC'; be32 "$frame"; printf '\000\000'
    printf '\000image/jpeg\000\003\000'
    cat picture.bin
    cat cbr128.mp3
} > bigtag.mp3

# Bad input.
: > empty.mp3
printf 'These are the words of a song, not its sound.\n' > text.mp3
printf '\211PNG\r\n\032\n\000\000\000\rIHDR\000\000\000\001\000\000\000\001\010\006\000\000\000\037\025\304\211\000\000\000\rIDATx\332c\370\377\377?\000\005\376\002\376\247\326\244\356\000\000\000\000IEND\256B`\202' > image.mp3
size=$(wc -c < cbr128.mp3)
head -c $(( size / 2 + 77 )) cbr128.mp3 > truncated.mp3  # cut inside a frame

cp ./*.mp3 "$out"/
touch "$out/stamp"
