// The frame scan's MP3 length against a frame walk of the file written here:
// layer III headers one after another, ID3v2 tags stepped over by their size,
// and a Xing/Info header starting a part whose LAME delay and padding are
// left out. The files are made by lame, sox, cat and dd at build time.

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "media/Mp3Length.h"

namespace {

std::string Data(const std::string& name)
{
    return std::string(MEDIA_TEST_DATA) + "/" + name;
}

struct Walk {
    double ms = 0;
    double longestFrameMs = 0;
    int parts = 0;
    int frames = 0;
};

struct Frame {
    size_t size = 0;
    int samples = 0;
    int rate = 0;
    size_t tagAt = 0; // where an Xing/Info tag would start
};

class FrameWalker {
public:
    explicit FrameWalker(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        d.assign(std::istreambuf_iterator<char>(in), {});
    }

    Walk Run()
    {
        size_t at = 0;
        while (at + 4 <= d.size()) {
            if (IsId3(at)) {
                EndPart();
                at += 10 + (size_t(d[at + 6] & 127) << 21 | size_t(d[at + 7] & 127) << 14 |
                            size_t(d[at + 8] & 127) << 7 | size_t(d[at + 9] & 127));
                continue;
            }
            const std::optional<Frame> frame = Parse(at);
            // A frame is one that follows a frame, or that the next frame, a
            // tag or the end follows.
            const size_t next = frame ? at + frame->size : 0;
            if (!frame || next > d.size() ||
                !(at == chained || next + 4 > d.size() || Parse(next) || IsId3(next))) {
                ++at;
                continue;
            }
            if (IsTag(frame->tagAt)) {
                EndPart();
                ReadLameTrim(frame->tagAt, frame->rate);
            } else {
                partMs += frame->samples * 1000.0 / frame->rate;
                walk.longestFrameMs = std::max(walk.longestFrameMs, frame->samples * 1000.0 / frame->rate);
                ++walk.frames;
            }
            at = chained = next;
        }
        EndPart();
        return walk;
    }

private:
    bool IsId3(size_t at) const { return at + 10 <= d.size() && d[at] == 'I' && d[at + 1] == 'D' && d[at + 2] == '3'; }

    bool IsTag(size_t at) const
    {
        return at + 4 <= d.size() && (std::string(d.begin() + at, d.begin() + at + 4) == "Xing" ||
                                      std::string(d.begin() + at, d.begin() + at + 4) == "Info");
    }

    std::optional<Frame> Parse(size_t at) const
    {
        static const int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
        static const int kKbpsV1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
        static const int kKbpsV2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
        if (at + 4 > d.size() || d[at] != 0xFF || (d[at + 1] & 0xE0) != 0xE0)
            return std::nullopt;
        const int version = (d[at + 1] >> 3) & 3;
        const int layer = (d[at + 1] >> 1) & 3;
        const int bitrate = d[at + 2] >> 4;
        const int rateIndex = (d[at + 2] >> 2) & 3;
        if (version == 1 || layer != 1 || bitrate == 0 || bitrate == 15 || rateIndex == 3)
            return std::nullopt;
        const bool mpeg1 = version == 3;
        const bool mono = (d[at + 3] >> 6) == 3;
        const bool crc = !(d[at + 1] & 1);
        Frame frame;
        frame.rate = kRates[version][rateIndex];
        frame.samples = mpeg1 ? 1152 : 576;
        frame.size = size_t(mpeg1 ? 144 : 72) * (mpeg1 ? kKbpsV1 : kKbpsV2)[bitrate] * 1000 / frame.rate +
                     ((d[at + 2] >> 1) & 1);
        frame.tagAt = at + 4 + (crc ? 2 : 0) + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
        return frame;
    }

    // The LAME header after the Xing/Info fields the flags announce: 12 bits
    // of encoder delay and 12 of padding, 21 bytes in.
    void ReadLameTrim(size_t tag, int rate)
    {
        if (tag + 8 > d.size())
            return;
        const unsigned flags = d[tag + 7];
        size_t at = tag + 8 + (flags & 1 ? 4 : 0) + (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
        if (at + 24 > d.size() || std::string(d.begin() + at, d.begin() + at + 4) != "LAME")
            return;
        at += 21;
        trimMs = ((d[at] << 4 | d[at + 1] >> 4) + ((d[at + 1] & 15) << 8 | d[at + 2])) * 1000.0 / rate;
    }

    void EndPart()
    {
        if (partMs > 0) {
            walk.ms += partMs - trimMs;
            ++walk.parts;
        }
        partMs = 0;
        trimMs = 0;
    }

    std::vector<unsigned char> d;
    Walk walk;
    double partMs = 0;
    double trimMs = 0;
    size_t chained = 0; // where the frame after the last one starts
};

Walk WalkFrames(const std::string& name)
{
    return FrameWalker(Data(name)).Run();
}

// The walk itself: files made from 2.0 s of sound by lame measure 2.0 s once
// their LAME delay and padding are left out, and joined files as their parts.
TEST(Mp3FrameWalk, MeasuresEncodedFilesAndJoinsAsTheirSound)
{
    EXPECT_NEAR(WalkFrames("cbr128.mp3").ms, 2000, 0.5);
    EXPECT_NEAR(WalkFrames("cbr48.mp3").ms, 2000, 0.5);
    EXPECT_NEAR(WalkFrames("joined_lame.mp3").ms, 4000, 0.5);
    EXPECT_EQ(WalkFrames("joined_lame.mp3").parts, 2);
    EXPECT_NEAR(WalkFrames("mono_then_dual.mp3").ms,
                2 * (WalkFrames("mono_noxing.mp3").ms + WalkFrames("dual_noxing.mp3").ms), 0.5);
    const int damaged = WalkFrames("damaged128.mp3").frames;
    EXPECT_LT(damaged, WalkFrames("cbr128.mp3").frames);
    EXPECT_GE(damaged, WalkFrames("cbr128.mp3").frames - 2);
}

// Channel mode, bit rate and sample rate changes are no new part: every frame
// counts at its own rate. Joined encodings are measured part by part, each
// without the delay and padding its own LAME header records, and an ID3v2 tag
// between frames starts a part. A damaged frame in the middle is skipped.
TEST(Mp3Length, EveryFrameCountsAtItsOwnRateAndOnlyHeadersTrim)
{
    for (const char* name : {"mono_then_dual.mp3", "rate_change.mp3", "joined_lame.mp3", "joined.mp3", "joined3.mp3",
                             "vbr_noxing.mp3", "mono22.mp3", "mpeg25_8k.mp3", "bigtag.mp3", "damaged128.mp3",
                             "damaged320.mp3"}) {
        SCOPED_TRACE(name);
        const Walk walk = WalkFrames(name);
        ASSERT_GT(walk.ms, 1000);
        const std::optional<std::int64_t> scanned = media::ScanMp3LengthMs(Data(name));
        ASSERT_TRUE(scanned);
        EXPECT_NEAR(double(*scanned), walk.ms, walk.longestFrameMs);
    }
}

} // namespace
