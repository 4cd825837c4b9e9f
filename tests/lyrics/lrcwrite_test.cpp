// The LRC writer against the parser, offsets written in place, saves that
// survive a failing write, and the offsets kept between plays.

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>

#include "lyrics/editor.h"
#include "lyrics/lrc.h"
#include "lyrics/lrcwrite.h"
#include "lyrics/offsets.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class LrcWriteFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("lrcwrite_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir;
};

TEST(LrcWrite, WrittenLinesParseBackToTheSameRecordsAndTimes)
{
    EXPECT_EQ(lyrics::LrcTime(0), "00:00.00");
    EXPECT_EQ(lyrics::LrcTime(61234), "01:01.23");
    EXPECT_EQ(lyrics::LrcTime(59996), "01:00.00");  // rounded to the hundredth
    EXPECT_EQ(lyrics::LrcTime(6000000), "100:00.00");

    lyrics::LyricEditor e;
    e.Load("[by:me]\n[al:Old]\n[ti:Old]\n[00:01.00]Hello\n[00:01.00]你好\n[00:02.50]<00:02.50>big <00:03.10>world\n"
           "[01:40.07]\nnot timed yet\n");
    lyrics::SongInfo info{"Title", "Artist", "", 185500};
    const std::string text = lyrics::WriteLrc(e.Lines(), e.OtherTags(), info);
    // The song's tag wins over the file's [ti:]; the file's [al:] stays, as no tag gives one.
    EXPECT_EQ(text, "[ti:Title]\n[ar:Artist]\n[length:03:05]\n[by:me]\n[al:Old]\n[00:01.00]Hello\n[00:01.00]你好\n"
                    "[00:02.50]<00:02.50>big <00:03.10>world\n[01:40.07]\nnot timed yet\n");
    const std::vector<lyrics::LyricLine> records = lyrics::ParseLyrics(text);
    std::vector<std::pair<std::int32_t, std::string>> timed;
    for (const auto& r : records)
        if (r.Time)
            timed.emplace_back(*r.Time, r.Text);
    EXPECT_EQ(timed, (std::vector<std::pair<std::int32_t, std::string>>{
                         {1000, "Hello"}, {1000, "你好"}, {2500, "big world"}, {100070, ""}}));
    ASSERT_EQ(records[7].Words.size(), 2u);
    EXPECT_EQ(records[7].Words[1].time, 3100);
    EXPECT_EQ(records[7].Words[1].offset, 4u);
    // Loaded again, the editor has the lines it wrote.
    lyrics::LyricEditor again;
    again.Load(text);
    EXPECT_EQ(lyrics::WriteLrc(again.Lines(), again.OtherTags(), info), text);
}

TEST(LrcWrite, OffsetIsRewrittenInPlaceAndEveryOtherByteStays)
{
    // The tag in effect (the last) is rewritten; CR LF and legacy bytes stay.
    const std::string big5 = "[ti:\xA7\x5D]\r\n[offset:100]\r\n[00:01.00]\xA4\xA4\r\n[offset: -20 ]\r\n";
    EXPECT_EQ(lyrics::WithLrcOffset(big5, 300),
              "[ti:\xA7\x5D]\r\n[offset:100]\r\n[00:01.00]\xA4\xA4\r\n[offset:+300]\r\n");
    EXPECT_EQ(lyrics::FileOffset(lyrics::WithLrcOffset(big5, -40)), -40);
    // None yet: a tag line first, after the byte-order mark, ending as the file's lines end.
    EXPECT_EQ(lyrics::WithLrcOffset("\xEF\xBB\xBF[00:01.00]a\r\nb", 0), "\xEF\xBB\xBF[offset:0]\r\n[00:01.00]a\r\nb");
    EXPECT_EQ(lyrics::WithLrcOffset("", 5), "[offset:+5]\n");
    EXPECT_THROW(lyrics::WithLrcOffset(std::string("\xFF\xFE[\0", 4), 5), lyrics::SaveError);
    // An offset tag after the text of a line is no tag.
    EXPECT_EQ(lyrics::FileOffset("[00:01.00]a [offset:100]\n"), 0);
}

TEST_F(LrcWriteFiles, SaveReplacesAtomicallyKeepsTheFirstBackupAndSurvivesAFailingWrite)
{
    const fs::path lrc = dir / "song.lrc";
    lyrics::SaveFileAtomically(lrc.string(), "one");
    EXPECT_EQ(Names(), (std::vector<std::string>{"song.lrc"}));  // nothing to back up
    fs::permissions(lrc, fs::perms(0600));
    lyrics::SaveFileAtomically(lrc.string(), "two");
    lyrics::SaveFileAtomically(lrc.string(), "three");
    EXPECT_EQ(Read(lrc), "three");
    EXPECT_EQ(Read(dir / "song.lrc.bak"), "one");  // the first file, not the second
    EXPECT_EQ(fs::status(lrc).permissions() & fs::perms::all, fs::perms(0600));

    // A write that fails halfway (the file-size limit, as a full disk would):
    // the old file stays whole and no temporary file is left.
    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(lyrics::SaveFileAtomically(lrc.string(), std::string(100000, 'x')), lyrics::SaveError);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(Read(lrc), "three");
    EXPECT_EQ(Names(), (std::vector<std::string>{"song.lrc", "song.lrc.bak"}));

    // A folder that is gone, and a folder in the file's place, are reported.
    EXPECT_THROW(lyrics::SaveFileAtomically((dir / "gone" / "a.lrc").string(), "x"), lyrics::SaveError);
    fs::create_directories(dir / "d.lrc");
    try {
        lyrics::SaveFileAtomically((dir / "d.lrc").string(), "x");
        ADD_FAILURE() << "saved over a folder";
    } catch (const lyrics::SaveError& e) {
        EXPECT_NE(std::string(e.what()).find("d.lrc"), std::string::npos);
    }
}

TEST_F(LrcWriteFiles, SongOffsetsAreKeptInTheLrcFileOrElseInTheStore)
{
    lyrics::OffsetStore store((dir / "data" / "offsets.json").string());
    const std::string song = (dir / "a.mp3").string();
    EXPECT_EQ(store.Get(song), 0);
    lyrics::KeepSongOffset(store, song, "ID3v2 USLT", 300);
    lyrics::KeepSongOffset(store, (dir / "b.mp3").string(), (dir / "b.txt").string(), -200);
    EXPECT_EQ(lyrics::OffsetStore(store.File()).Get(song), 300);
    EXPECT_EQ(store.Get((dir / "b.mp3").string()), -200);
    lyrics::KeepSongOffset(store, song, "ID3v2 USLT", 0);
    EXPECT_EQ(store.Get(song), 0);

    const fs::path lrc = dir / "c.LRC";
    std::ofstream(lrc, std::ios::binary) << "[ar:x]\n[00:01.00]a\n";
    lyrics::KeepSongOffset(store, (dir / "c.mp3").string(), lrc.string(), 500);
    EXPECT_EQ(Read(lrc), "[offset:+500]\n[ar:x]\n[00:01.00]a\n");
    EXPECT_EQ(store.Get((dir / "c.mp3").string()), 0);

    EXPECT_EQ(lyrics::LatencyOffset(), 0);
    lyrics::SetLatencyOffset(-120);
    EXPECT_EQ(lyrics::LatencyOffset(), -120);
    lyrics::SetLatencyOffset(0);
}

}  // namespace
