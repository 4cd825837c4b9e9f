#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "lyrics/source.h"
#include "lyrics/tag.h"

namespace {

namespace fs = std::filesystem;

const std::string kData = LYRICS_TEST_DATA;
constexpr std::size_t kMemo = 4u << 20;

std::string Data(const char* name) { return kData + "/" + name; }

// The error FindLyrics reports, as "kind: path (reason)".
std::string Refused(const std::string& song, std::size_t capacity)
{
    try {
        lyrics::FindLyrics(song, capacity);
    } catch (const lyrics::LyricError& e) {
        const char* kind = e.kind == lyrics::LyricError::Kind::TooLarge ? "too large: " : "cannot open: ";
        return kind + e.path + (e.reason.empty() ? "" : " (" + e.reason + ")");
    }
    return "no error";
}

TEST(TagLyrics, EachFrameKindAndEncodingGivesItsLinesInOrder)
{
    struct Case {
        const char* file;
        const char* source;
        std::string text;
    };
    const Case cases[] = {
        // Milliseconds, UTF-8; minutes past 99 keep all their digits.
        {"sylt_utf8_ms.mp3", "ID3v2 SYLT",
         "[00:01.00]First line\n[00:02.50]第二行\n[100:00.00]Past a hundred minutes\n"},
        // MPEG frames of the stream's 24 ms, UTF-16.
        {"sylt_utf16_frames.mp3", "ID3v2 SYLT", "[00:06.00]One\n[00:12.00]Two\n[00:24.00]三\n"},
        // A Latin-1 frame that holds GBK bytes.
        {"sylt_latin1_gbk.mp3", "ID3v2 SYLT",
         "[00:01.00]窗外的雨下了一整夜\n[00:02.00]街灯把影子拉得很长\n[00:03.00]我在月台上等一班车\n"
         "[00:04.00]等它带我回到你身旁\n[00:05.00]那年夏天我们说过的话\n[00:06.00]像风一样吹过了海港\n"
         "[00:07.00]你笑着说不要回头看\n[00:08.00]前方总会有新的光\n"},
        // Syllables joined; a leading break (LF or CR LF) begins a line at its entry's time.
        {"sylt_syllables.mp3", "ID3v2 SYLT", "[00:01.00]Hello world\n[00:03.00]Second line\n[00:05.00]Third\n"},
        // Of several SYLT frames the first with lyrics, over the USLT frame (an ID3v2.3 tag).
        {"several.mp3", "ID3v2 SYLT", "[00:02.00]Chosen\n"},
        {"uslt_lrc.mp3", "ID3v2 USLT", "[00:01.00]Alpha\n[00:02.00][00:04.00]Beta\n"},
        {"uslt_plain.mp3", "ID3v2 USLT", "Just words\nno times\n"},
    };
    for (const Case& c : cases) {
        const auto found = lyrics::FindLyrics(Data(c.file), kMemo);
        ASSERT_TRUE(found) << c.file;
        EXPECT_EQ(found->source, c.source) << c.file;
        EXPECT_EQ(found->text, c.text) << c.file;
    }
}

TEST(TagLyrics, NoTagNoFileOrNoLyricFrameGivesNone)
{
    EXPECT_FALSE(lyrics::FindLyrics(Data("no_tag.mp3"), kMemo));
    EXPECT_FALSE(lyrics::FindLyrics(Data("missing.mp3"), kMemo));
    EXPECT_FALSE(lyrics::ReadTagLyricsFromBytes("ID3", kMemo));
    // A pipe under the song's name is not waited on.
    const fs::path dir = fs::temp_directory_path() / ("lyrics_pipe_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ASSERT_EQ(::mkfifo((dir / "song.mp3").c_str(), 0600), 0);
    EXPECT_FALSE(lyrics::FindLyrics((dir / "song.mp3").string(), kMemo));
    fs::remove_all(dir);
}

TEST(TagLyrics, TextOverTheMemoCapacityIsRefused)
{
    // 75 bytes of LRC text: it fits exactly, one byte less does not.
    EXPECT_EQ(lyrics::FindLyrics(Data("sylt_utf8_ms.mp3"), 75)->text.size(), 75u);
    EXPECT_EQ(Refused(Data("sylt_utf8_ms.mp3"), 74), "too large: " + Data("sylt_utf8_ms.mp3"));
    // So is a USLT text.
    EXPECT_EQ(Refused(Data("uslt_plain.mp3"), 9), "too large: " + Data("uslt_plain.mp3"));
}

// Songs in a folder of their own, with lyric files written beside them.
class LyricSources : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("lyrics_sources_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Song(const char* data, const char* name)
    {
        fs::copy_file(Data(data), dir / name);
        return (dir / name).string();
    }
    std::string Write(const char* name, const std::string& content)
    {
        std::ofstream(dir / name, std::ios::binary) << content;
        return (dir / name).string();
    }
    fs::path dir;
};

TEST_F(LyricSources, TxtOverLrcOverSyltOverUslt)
{
    const std::string song = Song("several.mp3", "song.mp3");  // SYLT and USLT
    EXPECT_EQ(lyrics::FindLyrics(song, kMemo)->source, "ID3v2 SYLT");
    EXPECT_EQ(lyrics::FindLyrics(Song("uslt_plain.mp3", "plain.mp3"), kMemo)->source, "ID3v2 USLT");

    // An upper-case extension is found; the exact name comes first.
    fs::create_directories(dir / "song.Lrc");  // a folder is no lyric file
    const std::string upper = Write("song.LRC", "[00:01.00]Upper\n");
    Write("song.lRc", "[00:01.00]Mixed\n");
    Write("song.lrc.bak", "[00:01.00]Backup\n");
    Write("Song.lrc", "[00:01.00]Other song\n");
    auto found = lyrics::FindLyrics(song, kMemo);
    EXPECT_EQ(found->source, upper);  // the first by byte order
    EXPECT_EQ(found->text, "[00:01.00]Upper\n");
    const std::string exact = Write("song.lrc", "[00:01.00]Exact\n");
    EXPECT_EQ(lyrics::FindLyrics(song, kMemo)->source, exact);

    const std::string txt = Write("song.txt", "[00:01.00]Text\n");
    found = lyrics::FindLyrics(song, kMemo);
    EXPECT_EQ(found->source, txt);
    EXPECT_EQ(found->text, "[00:01.00]Text\n");
}

TEST_F(LyricSources, AnLrcFileThatCannotBeReadIsAnError)
{
    const std::string song = Song("several.mp3", "song.mp3");
    ASSERT_EQ(::mkfifo((dir / "song.LRC").c_str(), 0600), 0);
    EXPECT_EQ(Refused(song, kMemo), "cannot open: " + (dir / "song.LRC").string() + " (Not a regular file)");
}

TEST_F(LyricSources, ALyricFileLargerThanTheLimitOnceDecodedIsRefused)
{
    const std::string song = Song("no_tag.mp3", "song.mp3");
    // Plain ASCII stays as large once decoded: 10 bytes fit in 10, not in 9.
    const std::string lrc = Write("song.lrc", "[00:01]abc");
    EXPECT_EQ(lyrics::FindLyrics(song, 10)->text, "[00:01]abc");
    EXPECT_EQ(Refused(song, 9), "too large: " + lrc);
    // UTF-16 text grows once decoded: a byte-order mark and three characters
    // in 8 bytes become 9.
    Write("song.lrc", std::string("\xff\xfe\x2d\x4e\x87\x65\x57\x5b", 8));
    EXPECT_EQ(lyrics::FindLyrics(song, 9)->text, "中文字");
    EXPECT_EQ(Refused(song, 8), "too large: " + lrc);
    // A file four times the limit is not read at all.
    Write("song.lrc", std::string(41, 'x'));
    EXPECT_EQ(Refused(song, 10), "too large: " + lrc);
}

}  // namespace
