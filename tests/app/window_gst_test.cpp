// The window on the real media service: a demo song played in real time on a
// silent sink, with the timer, the lyric lines and the step to the next song
// driven by the message loop.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <filesystem>

#include "media/GstMediaService.h"
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

    // Runs the message loop (ticks, notifications, idle passes) until done()
    // holds or a generous limit has passed; returns done().
    template <class Done>
    static bool RunUntil(Done done, int limitMs = 15000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < limitMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return done();
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
    EXPECT_GT(frm->qivTrackBar1->Max(), 20000);
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

}  // namespace
