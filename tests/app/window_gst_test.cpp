// The window on the real media service: a demo song played in real time on a
// silent sink, with the timer, the lyric lines and the step to the next song
// driven by the message loop.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "media/GstMediaService.h"
#include "tests/app/lyric_trace.h"
#include "tests/app/window_fixture.h"

namespace {

class RealPlayback : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        media::GstOptions options;
        options.audioSink = "fakesink sync=true";
        gst = media::CreateGstMediaService(options);
    }

    template <class Done>
    static bool RunUntil(Done done, int limitMs = 15000)
    {
        return RunLoopUntil(done, limitMs);
    }

    std::shared_ptr<media::MediaService> gst;
};

TEST_F(RealPlayback, PlaysADemoSongWithItsLyricsInRealTime)
{
    const std::filesystem::path demo = std::filesystem::path(PLAYER_SOURCE_DIR) / "demo";
    std::filesystem::create_directories(root / "demo");
    for (const char* name : {"Morning Light.mp3", "Morning Light.txt"})
        std::filesystem::copy_file(demo / name, root / "demo" / name);
    Start(gst);
    ClickFolder("demo");
    ASSERT_EQ(frm->FileCount(), 1);
    User([&] { frm->btnPlay->Click(); });
    ASSERT_TRUE(boxes.empty()) << boxes.front();
    ASSERT_TRUE(frm->Playing());
    // The song opens in the background; its length shows once it is ready.
    EXPECT_TRUE(RunUntil([&] { return frm->qivTrackBar1->Max() > 20000; }));
    EXPECT_EQ(frm->pnlPlayTime->Caption(), TfrmMain::MsToMinSec(frm->qivTrackBar1->Max()));
    // The ticks move the seek bar with the song; the line tagged 00:01 was
    // shown on the way.
    ASSERT_TRUE(RunUntil([&] { return frm->pnlTime->Caption() == "00:02"; }));
    EXPECT_GE(frm->qivTrackBar1->Position(), 2000);
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "Morning light is on the hill");
    EXPECT_EQ(frm->Player()->Mode(), mdPlaying);
    User([&] { frm->btnStop->Click(); });
    EXPECT_FALSE(frm->Playing());
    EXPECT_TRUE(boxes.empty());
}

// Three real 2-second MP3s with their lyric files, "撥放全部" ticked: the songs
// play in title order, each one's lyric line shows in its second, and at the
// end the player stops with the seek bar and the time back at zero.
TEST_F(RealPlayback, PlaysAFolderThroughInTitleOrderWithEachLyricLineInItsSecond)
{
    const std::filesystem::path dir = root / "album";
    std::filesystem::create_directories(dir);
    // Made in another order than their titles'.
    const std::vector<std::pair<std::string, int>> songs = {{"Charlie", 660}, {"Alpha", 440}, {"Bravo", 550}};
    for (const auto& [title, tone] : songs) {
        const std::string wav = (dir / (title + ".wav")).string();
        const std::string mp3 = (dir / (title + ".mp3")).string();
        const std::string make = "sox -q -n -r 44100 -c 2 -b 16 '" + wav + "' synth 2 sine " + std::to_string(tone) +
                                 " && lame --quiet -b 128 '" + wav + "' '" + mp3 + "'";
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
        std::filesystem::remove(wav);
        Text("album", title + ".txt", "[ti:" + title + "]\r\n[00:01.20]" + title + " sings\r\n");
    }
    Start(gst);
    ClickFolder("album");
    ASSERT_EQ(Titles(), (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));
    ASSERT_TRUE(frm->cbxPlay->Checked());
    DoubleClickRow(1);
    ASSERT_TRUE(boxes.empty()) << boxes.front();

    // What the user sees change, in order: the song started, and each lyric
    // line with the time shown beside it.
    std::vector<std::string> seen;
    std::string title, line, time;
    std::vector<std::string> times;
    auto watch = [&] {
        if (frm->pnlTime->Caption() != time) {
            time = frm->pnlTime->Caption();
            times.push_back(title + " " + time + " " + std::to_string(frm->qivTrackBar1->Position()));
        }
        if (frm->CurrentTitle() != title) {
            title = frm->CurrentTitle();
            seen.push_back("play " + title);
        }
        if (frm->pnlCurrentText->Caption() != line) {
            line = frm->pnlCurrentText->Caption();
            seen.push_back(frm->pnlTime->Caption() + " " + line);
        }
        return !frm->Playing();
    };
    ASSERT_TRUE(RunUntil(watch, 30000)) << ::testing::PrintToString(seen) << " mode " << frm->Player()->Mode();
    EXPECT_EQ(seen, (std::vector<std::string>{"play Alpha", "00:01 Alpha sings", "play Bravo", "00:01 Bravo sings",
                                              "play Charlie", "00:01 Charlie sings"}))
        << ::testing::PrintToString(times);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ(frm->qivTrackBar1->Position(), 0);
    EXPECT_EQ(frm->pnlTime->Caption(), "00:00");
    EXPECT_FALSE(frm->Timer1->Enabled());
    EXPECT_EQ(frm->dxMemData->RecNo(), 3);
}

// How late a line may become current. Under the sanitizers every step runs
// several times slower, so there only the order and "never early" are held
// to, with a line's own quarter second as the bound.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kLateBoundMs = 250;
#else
constexpr int kLateBoundMs = 30;
#endif

// Forty lines a quarter of a second apart, played through in real time: each
// becomes current in its turn, by the trace at a position at or after its
// time and within 30 ms of it.
TEST_F(RealPlayback, FortyLinesAQuarterSecondApartEachBecomeCurrentInTime)
{
    const LyricTrace trace;
    std::filesystem::create_directories(root / "lines");
    std::filesystem::copy_file(std::filesystem::path(APP_LYRIC_SONG) / "lines40.mp3", root / "lines" / "song.mp3");
    std::string lyric;
    std::vector<int> times;
    for (int i = 0; i < 40; ++i) {
        times.push_back(300 + 250 * i);
        char tag[32];
        std::snprintf(tag, sizeof tag, "[%02d:%02d.%02d]", times.back() / 60000, times.back() / 1000 % 60,
                      times.back() % 1000 / 10);
        lyric += tag + std::string("line ") + std::to_string(i) + "\n";
    }
    Text("lines", "song.txt", lyric);
    Start(gst);
    ClickFolder("lines");
    User([&] { frm->btnPlay->Click(); });
    ASSERT_TRUE(boxes.empty()) << boxes.front();
    std::vector<std::pair<int, int>> changes;  // line time, position
    auto read = [&] {
        changes.clear();
        for (const std::string& line : trace.Lines()) {
            int time = 0, position = 0;
            if (std::sscanf(line.c_str(), "current line %d ms at position %d ms", &time, &position) == 2)
                changes.emplace_back(time, position);
        }
        return changes.size() >= times.size() || !frm->Playing();
    };
    ASSERT_TRUE(RunUntil(read, 20000));
    User([&] { frm->btnStop->Click(); });
    ASSERT_EQ(changes.size(), times.size()) << ::testing::PrintToString(changes);
    for (std::size_t i = 0; i < times.size(); ++i) {
        EXPECT_EQ(changes[i].first, times[i]);
        const int late = changes[i].second - changes[i].first;
        EXPECT_GE(late, 0) << "line " << i;
        EXPECT_LE(late, kLateBoundMs) << "line " << i;
    }
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
