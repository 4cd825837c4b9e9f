// Damaged and odd files through the whole window on the real media service:
// more than a hundred files named ".mp3" are played one after another with
// "撥放全部" ticked; each either plays or gives one clear error box, and the
// window goes on. Then lyric files that are binary, huge, one endless line,
// a lone "[", or unreadable.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include "media/GstMediaService.h"
#include "loop.h"
#include "recording_service.h"
#include "tests/app/window_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// One MPEG-1 layer III frame (128 kbit/s, 44.1 kHz, stereo) of silence: the
// header, then side information and main data that are all zero.
std::string SilentFrame()
{
    std::string frame(417, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\x00';
    return frame;
}

// An ID3v2.3 header announcing `size` bytes of tag (at most 2^28 - 1).
std::string Id3Header(std::uint32_t size)
{
    std::string h = "ID3\x03";
    h += '\0';
    h += '\0';
    for (int shift : {21, 14, 7, 0})
        h += static_cast<char>((size >> shift) & 0x7F);
    return h;
}

// A WAV file of `ms` milliseconds of silence, mono, 8 kHz, 8 bits.
std::string SilentWav(int ms)
{
    const std::uint32_t samples = 8 * ms;
    auto le32 = [](std::uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    auto le16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    return "RIFF" + le32(36 + samples) + "WAVEfmt " + le32(16) + le16(1) + le16(1) + le32(8000) +
           le32(8000) + le16(1) + le16(8) + "data" + le32(samples) + std::string(samples, '\x80');
}

class BadInput : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        media::GstOptions options;
        options.audioSink = "fakesink sync=true";
        gst = std::make_shared<RecordingService>(media::CreateGstMediaService(options));
        good = ReadAll(fs::path(RELIABILITY_DATA) / "short.mp3");
        ASSERT_GT(good.size(), 1000u);
        // Each box with the file the device was given when it came up.
        Application->SetMessageBoxHook([this](const std::string&, const std::string& text) {
            boxes.push_back(text);
            boxFiles.push_back(frm ? frm->Player()->FileName() : "");
        });
    }

    fs::path Put(const std::string& folder, const std::string& name, const std::string& bytes)
    {
        fs::create_directories(root / folder);
        WriteAll(root / folder / name, bytes);
        return root / folder / name;
    }

    // Plays the whole list from its first row with "撥放全部" ticked. When the
    // window stops before the last row (a file it could not open), the user
    // double-clicks the row after the one that failed. Returns false when the
    // list was not through within the limit.
    bool PlayThrough(int limitMs)
    {
        const int count = frm->dxMemData->RecordCount();
        DoubleClickRow(1);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < limitMs) {
            Pump();
            if (frm->Playing())
                continue;
            const int row = frm->dxMemData->RecNo();
            if (row >= count)
                return true;
            DoubleClickRow(row + 1);
        }
        return false;
    }

    std::shared_ptr<RecordingService> gst;
    std::string good;
    std::vector<std::string> boxFiles;
};

// The damaged and odd files: name -> content.
std::map<std::string, std::string> DamagedSongs(const std::string& good)
{
    std::map<std::string, std::string> files;
    std::mt19937 random(20261208);
    auto bytes = [&](std::size_t n) {
        std::string s(n, '\0');
        for (char& c : s)
            c = static_cast<char>(random() & 0xFF);
        return s;
    };
    auto name = [](const char* kind, int i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s %03d.mp3", kind, i);
        return std::string(buf);
    };

    files["empty.mp3"] = "";
    files["good.mp3"] = good;
    // Cut at many points: inside the first header, inside the first frames,
    // and across the whole song.
    int i = 0;
    for (std::size_t cut : {1, 2, 3, 4, 5, 7, 10, 16, 32, 64, 100, 128, 200, 300, 417, 418, 500, 700, 1000})
        files[name("cut", i++)] = good.substr(0, cut);
    for (int k = 1; k < 32; ++k)
        files[name("cut", i++)] = good.substr(0, good.size() * k / 32 + k);
    // Random bytes, alone and behind the starts of real formats.
    for (int k = 0; k < 15; ++k)
        files[name("random", k)] = bytes(1 + (random() % (64 << 10)));
    for (int k = 0; k < 5; ++k)
        files[name("sync then random", k)] = SilentFrame().substr(0, 4) + bytes(1000 + k * 3000);
    for (int k = 0; k < 5; ++k)
        files[name("id3 then random", k)] = Id3Header(100 + k * 997) + bytes(5000);
    // Parts of a good song damaged in place.
    for (int k = 0; k < 10; ++k) {
        std::string s = good;
        const std::size_t at = s.size() * (k + 1) / 12;
        s.replace(at, 600, bytes(600));
        files[name("damaged", k)] = s;
    }
    // ID3 tags: a header that claims 256 MB, a real tag of 16 MB before the
    // song, a tag with nothing after it.
    files["tag claims 256 MB.mp3"] = Id3Header(0x0FFFFFFF) + good;
    files["tag of 16 MB.mp3"] = Id3Header(16 << 20) + std::string(16 << 20, '\0') + good;
    files["tag alone.mp3"] = Id3Header(4000) + std::string(4000, '\0');
    // The smallest songs.
    files["one frame.mp3"] = SilentFrame();
    files["two frames.mp3"] = SilentFrame() + SilentFrame();
    // Other things under the name.
    files["text.mp3"] = "These are the words of a song, not its sound.\n";
    files["wave.mp3"] = SilentWav(200);
    files["song twice.mp3"] = good + good;
    files["song and garbage.mp3"] = good + bytes(3000);
    files["zeros.mp3"] = std::string(20000, '\0');
    // Odd names, each holding a good song.
    for (const char* odd : {"line\nbreak.mp3", "carriage\rreturn.mp3", "tab\there.mp3", "bad utf8 \xff\xfe.mp3",
                            "cut utf8 \xe6\xad.mp3", "-rf.mp3", "--help.mp3", "-.mp3", "%s%n%x.mp3",
                            "$(true) `true`.mp3", "back\\slash:colon.mp3", "[00:01] bracket.mp3",
                            " leading space.mp3", "..dots.mp3", ".hidden.mp3", "UPPER CASE.MP3",
                            "quote' and \".mp3"})
        files[odd] = good;
    files[std::string(251, 'L') + ".mp3"] = good;  // 255 bytes, the longest name
    std::string wide;
    while (wide.size() + 3 + 4 <= 255)
        wide += "歌";
    files[wide + ".mp3"] = good;
    return files;
}

TEST_F(BadInput, EveryDamagedOrOddSongPlaysOrGivesOneErrorAndTheWindowGoesOn)
{
    const auto files = DamagedSongs(good);
    ASSERT_GE(files.size(), 100u);
    for (const auto& [name, content] : files)
        Put("bad", name, content);
    fs::create_directories(root / "bad" / "folder.mp3");  // a folder is no song

    Start(gst);
    ASSERT_TRUE(frm->cbxPlay->Checked());
    ClickFolder("bad");
    ASSERT_EQ(frm->FileCount(), static_cast<int>(files.size()));
    ASSERT_TRUE(PlayThrough(240000)) << "stuck at row " << frm->dxMemData->RecNo() << " of "
                                     << frm->FileCount() << ", " << frm->Player()->FileName();

    // Every file was tried; each one that never opened gave exactly one box
    // that names a reason, and no file that opened gave one.
    const std::vector<std::string> opened = gst->Opened();
    const std::vector<std::string> failed = gst->Failed();
    EXPECT_EQ(opened.size() + failed.size(), files.size());
    for (const auto& [name, content] : files) {
        const std::string path = (root / "bad" / name).string();
        const auto boxCount = std::count(boxFiles.begin(), boxFiles.end(), path);
        if (std::binary_search(opened.begin(), opened.end(), path))
            EXPECT_EQ(boxCount, 0) << "opened and reported: " << name;
        else
            EXPECT_EQ(boxCount, 1) << "not opened: " << name;
    }
    EXPECT_EQ(boxes.size(), failed.size());
    std::map<std::string, int> reasons;
    for (const std::string& text : boxes) {
        ++reasons[text];
        EXPECT_GT(text.size(), 5u);
        EXPECT_NE(text, "Unknown error code.");
    }
    // The files that must play did, odd names included.
    for (const char* must : {"good.mp3", "two frames.mp3", "wave.mp3", "line\nbreak.mp3",
                                    "bad utf8 \xff\xfe.mp3", "-rf.mp3", "%s%n%x.mp3", "tag of 16 MB.mp3"})
        EXPECT_TRUE(std::binary_search(opened.begin(), opened.end(), (root / "bad" / must).string()))
            << must;
    // Nothing of the list was lost, and the window still plays.
    EXPECT_EQ(frm->dxMemData->RecordCount(), static_cast<int>(files.size()));
    EXPECT_FALSE(frm->Playing());
    const std::vector<std::string> titles = Titles();
    const auto row = std::find(titles.begin(), titles.end(), "good") - titles.begin();
    boxes.clear();
    DoubleClickRow(static_cast<int>(row) + 1);
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->CurrentTitle(), "good");
    EXPECT_TRUE(boxes.empty());

    std::printf("[ figures  ] %zu files tried: %zu played, %zu gave an error box, %d plays started\n",
                files.size(), opened.size(), failed.size(), gst->Plays());
    for (const auto& [text, count] : reasons)
        std::printf("[ figures  ] %3d x %s\n", count, text.c_str());
}

}  // namespace

namespace {

// A line of a megabyte of tags: loading it must stay linear in the line.
constexpr int kTags = 100000;

bool ValidUtf8(const std::string& s)
{
    return QString::fromUtf8(s).toUtf8() == QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

class BadLyrics : public BadInput {
protected:
    // A good song with this lyric file, alone in a folder of its own, started
    // by a double click. Returns how long the play command took, in ms.
    qint64 PlayWithLyrics(const std::string& folder, const std::string& lyrics)
    {
        Put(folder, "song.mp3", good);
        Put(folder, "song.txt", lyrics);
        return PlayFolder(folder);
    }
    qint64 PlayFolder(const std::string& folder)
    {
        if (!frm)
            Start(gst);
        ClickFolder(folder);
        EXPECT_EQ(frm->FileCount(), 1);
        QElapsedTimer clock;
        clock.start();
        DoubleClickRow(1);
        return clock.elapsed();
    }
};

TEST_F(BadLyrics, BinaryEndlessOrBracketOnlyLyricsLeaveTheSongPlaying)
{
    std::mt19937 random(7);
    std::string binary(256 << 10, '\0');
    for (char& c : binary)
        c = static_cast<char>(random() & 0xFF);
    binary[0] = '\x81';  // no byte-order mark by chance
    binary[100 << 10] = '\0';

    PlayWithLyrics("binary", binary);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(frm->Playing());
    // Whatever the bytes decoded to, the memo shows text, never broken bytes,
    // and stops at the zero byte.
    EXPECT_TRUE(ValidUtf8(frm->memLyric->Text()));
    EXPECT_LT(frm->memLyric->Text().size(), 4 * (100u << 10));
    for (const auto& [id, desc] : LyricRecords()) {
        EXPECT_TRUE(ValidUtf8(id));
        EXPECT_TRUE(ValidUtf8(desc));
        EXPECT_LE(desc.size(), 120u);
    }

    // One line of 3 MB without a line break: shown whole, no lyric lines.
    PlayWithLyrics("endless", std::string(3 << 20, 'a'));
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->memLyric->Text().size(), 3u << 20);
    EXPECT_TRUE(LyricRecords().empty());

    // A lone "[" opens a tag that never closes: one record, and the line ends.
    PlayWithLyrics("bracket", "[");
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(LyricRecords(), (std::vector<std::pair<std::string, std::string>>{{"", "["}}));
    PlayWithLyrics("brackets", "[[[[\n[00:01.00][\n]]]\n");
    EXPECT_TRUE(boxes.empty());
    auto records = LyricRecords();
    std::sort(records.begin(), records.end());
    EXPECT_EQ(records, (std::vector<std::pair<std::string, std::string>>{{"", "["}, {"00:01", "["}, {"[[[", "[[[["}}));

    // One line of many tags: every tag gives a record with the line's text.
    std::string tags;
    for (int i = 0; i < kTags; ++i)
        tags += "[00:01.00]";
    const qint64 ms = PlayWithLyrics("tags", tags + "Hello");
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(frm->Playing());
    records = LyricRecords();
    ASSERT_EQ(records.size(), std::size_t(kTags));
    EXPECT_EQ(records.back(), std::make_pair(std::string("00:01"), std::string("Hello")));
    std::printf("[ figures  ] one line of %d tags: the play command took %lld ms\n", kTags, static_cast<long long>(ms));
}

TEST_F(BadLyrics, HugeOrUnreadableLyricsStopThePlayWithOneBox)
{
    // 50 MB: more than the memo holds. It is refused before it is read, and
    // the song does not start.
    Put("huge", "song.mp3", good);
    {
        std::ofstream out(root / "huge" / "song.txt", std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 50; ++i)
            out << block;
    }
    const qint64 ms = PlayFolder("huge");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Text exceeds memo capacity.");
    EXPECT_FALSE(frm->Playing());
    EXPECT_EQ(frm->memLyric->Text(), "");
    std::printf("[ figures  ] a 50 MB lyric file was refused in %lld ms\n", static_cast<long long>(ms));

    // A lyric file this user may not read (the file-system identity of the
    // window's thread is dropped to "nobody" for the click, so that it holds
    // for root as well).
    boxes.clear();
    Put("locked", "song.mp3", good);
    Put("locked", "song.txt", "[00:01.00]Hello\n");
    fs::permissions(root / "locked" / "song.txt", fs::perms::none);
    ClickFolder("locked");
    const int previous = static_cast<int>(setfsuid(65534));
    DoubleClickRow(1);
    setfsuid(previous);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Cannot open file \"" + (root / "locked" / "song.txt").string() + "\". Permission denied.");
    EXPECT_FALSE(frm->Playing());
    // The window goes on: with the file readable again the song plays.
    fs::permissions(root / "locked" / "song.txt", fs::perms::owner_read | fs::perms::owner_write);
    boxes.clear();
    DoubleClickRow(1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(LyricRecords().size(), 1u);
}

}  // namespace

namespace {

TEST_F(BadInput, SongsThatAreNotFilesGiveOneErrorAndNothingHangs)
{
    // A named pipe under a song's name has no writer: opening it for reading
    // would wait for ever.
    fs::create_directories(root / "pipes");
    ASSERT_EQ(::mkfifo((root / "pipes" / "pipe.mp3").c_str(), 0644), 0);
    WriteAll(root / "pipes" / "song.mp3", good);
    Start(gst);
    ClickFolder("pipes");
    ASSERT_EQ(Titles(), (std::vector<std::string>{"pipe", "song"}));
    QElapsedTimer clock;
    clock.start();
    DoubleClickRow(1);
    std::printf("[ figures  ] a named pipe as a song was refused in %lld ms\n",
                static_cast<long long>(clock.elapsed()));
    EXPECT_EQ(boxes, std::vector<std::string>{"The file is not a regular file."});
    EXPECT_FALSE(frm->Playing());
    DoubleClickRow(2);
    EXPECT_TRUE(frm->Playing());
}

}  // namespace
