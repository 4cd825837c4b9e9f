// The window with lyrics from a local LRCLIB server: shown as any lyrics are,
// kept for the next play and the next run, dropped when the song has changed,
// saved beside the song, and each failure a few words in the strip.

#include <QAction>
#include <QMainWindow>
#include <QProgressDialog>
#include <cstdlib>

#include "app/DesktopWindow.h"
#include "lyrics/lrclibclient.h"
#include "tests/app/lyric_trace.h"
#include "tests/app/window_fixture.h"
#include "tests/lyrics/fake_lrclib.h"

namespace {

class WindowOnline : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        setenv("LYRICPLAYER_LRCLIB_URL", server.Url().toString().toUtf8().constData(), 1);
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        setenv("LYRICPLAYER_LRCLIB_URL", "http://127.0.0.1:9", 1);
    }
    bool WaitFor(const std::function<bool()>& done) { return RunLoopUntil(done, 5000); }
    std::string Strip() const { return frm->pnlCurrentText->Caption(); }

    FakeLrclib server;
};

TEST_F(WindowOnline, FoundLyricsShowAndAreKeptForTheNextPlayAndTheNextRun)
{
    server.AddRecord("a", "", "", 3, "[00:00.50]First\n[00:01.00]Second");
    Start();
    Song("m", "a.mp3");
    ClickFolder("m");
    const LyricTrace log;
    TDesktopWindow desktop(frm.get());
    DoubleClickRow(1);
    const desktop::TPlayerState started = desktop.State();
    ASSERT_TRUE(WaitFor([&] { return !LyricRecords().empty(); }));
    EXPECT_EQ(frm->memLyric->Text(), "[00:00.50]First\r\n[00:01.00]Second");
    // The desktop's media controls hear of the lyrics that came late.
    EXPECT_EQ(desktop.LyricText(), frm->memLyric->Text());
    EXPECT_EQ(desktop.State().LateLyrics, started.LateLyrics + 1);
    EXPECT_EQ(frm->dpnlLyric->Hint(), "LRCLIB");
    // The song's length as the player gives it, for a file without tags.
    EXPECT_EQ(server.requests.at(0).query.queryItemValue("duration"), "3");
    media->Advance(600);
    Tick();
    EXPECT_EQ(Strip(), "First");
    EXPECT_TRUE(std::count(LyricTrace::Lines().begin(), LyricTrace::Lines().end(),
                           "loaded 2 timed lines from LRCLIB"));
    EXPECT_TRUE(frm->actLyricsSaveLrc->isEnabled());

    // Played again, and by a new window: from the cache, at once.
    DoubleClickRow(1);
    EXPECT_EQ(LyricRecords().size(), 2u);
    Close();
    frm.reset();
    Start();
    ClickFolder("m");
    DoubleClickRow(1);
    EXPECT_EQ(LyricRecords().size(), 2u);
    EXPECT_EQ(server.requests.size(), 1u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowOnline, AnAnswerForASongNoLongerPlayingIsDroppedAndEachOutcomeSaysSoInTheStrip)
{
    server.AddRecord("a", "", "", 3, "[00:00.50]Late");
    server.AddRecord("b", "", "", 3, "", "", true);
    server.AddRecord("c", "", "", 3, "", "Only words");
    bool answerA = false;
    server.overrides["/api/get"] = [&](const FakeLrclib::Request& r) {
        FakeLrclib::Reply reply{404, "{}"};
        if (r.query.queryItemValue("track_name") == "a") {
            answerA = true;
            reply = {200, QJsonDocument(server.records[0].toObject()).toJson(), 300};
        }
        if (r.query.queryItemValue("track_name") == "b")
            reply = {200, QJsonDocument(server.records[1].toObject()).toJson()};
        if (r.query.queryItemValue("track_name") == "c")
            reply = {200, QJsonDocument(server.records[2].toObject()).toJson()};
        return reply;
    };
    Start();
    Song("m", "a.mp3");
    Song("m", "b.mp3");
    Song("m", "c.mp3");
    Song("m", "d.mp3");
    ClickFolder("m");
    DoubleClickRow(1);
    ASSERT_TRUE(WaitFor([&] { return answerA; }));
    DoubleClickRow(2);  // before a's answer comes
    ASSERT_TRUE(WaitFor([&] { return Strip() == "純音樂 Instrumental"; }));
    RunLoopUntil([] { return false; }, 400);  // a's answer has come by now
    EXPECT_TRUE(LyricRecords().empty());
    EXPECT_EQ(frm->memLyric->Text(), "");
    EXPECT_EQ(Strip(), "純音樂 Instrumental");

    DoubleClickRow(3);
    ASSERT_TRUE(WaitFor([&] { return !frm->memLyric->Text().empty(); }));
    EXPECT_EQ(frm->memLyric->Text(), "Only words");
    EXPECT_EQ(Strip(), "LRCLIB 僅有未對時歌詞");

    DoubleClickRow(4);  // 404, and the search finds nothing
    ASSERT_TRUE(WaitFor([&] { return Strip() == "LRCLIB 查無歌詞"; }));

    // A server that does not answer in time (the deadline made short here).
    server.overrides["/api/get"] = [](const FakeLrclib::Request&) {
        FakeLrclib::Reply reply;
        reply.silent = true;
        return reply;
    };
    frm->LyricService().SetTimeoutMs(100);
    Song("m", "e.mp3");
    ClickFolder("m");
    DoubleClickRow(5);
    ASSERT_TRUE(WaitFor([&] { return Strip() == "LRCLIB 逾時"; }));
    EXPECT_TRUE(frm->Playing());

    // Server gone: a few words, no box, the song plays on.
    setenv("LYRICPLAYER_LRCLIB_URL", "http://127.0.0.1:9", 1);
    Close();
    frm.reset();
    Start();
    Song("n", "e.mp3");
    ClickFolder("n");
    DoubleClickRow(1);
    ASSERT_TRUE(WaitFor([&] { return Strip() == "LRCLIB 無法連線"; }));
    EXPECT_TRUE(frm->Playing());
    EXPECT_TRUE(boxes.empty());

    // Turned off (and kept off): no lookup at all.
    const std::size_t asked = server.requests.size();
    frm->actLyricsOnline->trigger();  // as a menu click, from the loop
    EXPECT_FALSE(frm->OnlineSearch());
    setenv("LYRICPLAYER_LRCLIB_URL", server.Url().toString().toUtf8().constData(), 1);
    Close();
    frm.reset();
    Start();
    EXPECT_FALSE(frm->actLyricsOnline->isChecked());
    ClickFolder("n");
    DoubleClickRow(1);
    RunLoopUntil([] { return false; }, 100);
    EXPECT_EQ(server.requests.size(), asked);
    frm->SetOnlineSearch(true);
}

TEST_F(WindowOnline, SavedBesideTheSongAskingBeforeReplacingAndAnUnwritableFolderIsAnError)
{
    server.AddRecord("a", "", "", 3, "[00:00.50]Saved");
    Start();
    const std::string song = Song("m", "a.mp3");
    ClickFolder("m");
    DoubleClickRow(1);
    ASSERT_TRUE(WaitFor([&] { return !LyricRecords().empty(); }));
    const std::filesystem::path lrc = root / "m" / "a.lrc";
    frm->actLyricsSaveLrc->trigger();  // as a menu click, from the loop
    std::ifstream in(lrc, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[00:00.50]Saved");

    // An existing file: asked, and kept when the answer is no.
    std::ofstream(lrc, std::ios::binary | std::ios::trunc) << "mine";
    std::vector<std::string> asked;
    frm->OnConfirmReplace = [&](const std::string& path) {
        asked.push_back(path);
        return false;
    };
    frm->actLyricsSaveLrc->trigger();  // as a menu click, from the loop
    EXPECT_EQ(asked, std::vector<std::string>{lrc.string()});
    std::ifstream kept(lrc, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "mine");

    // A place that cannot be written (a folder of that name, which even root
    // cannot replace with a file): an error box, and what was there stays.
    std::filesystem::remove(lrc);
    std::filesystem::create_directory(lrc);
    std::ofstream(lrc / "keep") << "kept";
    frm->OnConfirmReplace = [](const std::string&) { return true; };
    frm->actLyricsSaveLrc->trigger();  // as a menu click, from the loop
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].starts_with("Cannot create file \"" + lrc.string() + "\"")) << boxes[0];
    EXPECT_TRUE(std::filesystem::exists(lrc / "keep"));
    EXPECT_TRUE(frm->Playing());
}

TEST_F(WindowOnline, PublishesTheLyricsShownWithTheSongsFields)
{
    Start();
    Song("m", "a.mp3");
    Text("m", "a.lrc", "[00:00.50]Made by me\n");
    ClickFolder("m");
    DoubleClickRow(1);
    frm->actLyricsPublish->trigger();  // as a menu click, from the loop
    ASSERT_TRUE(WaitFor([&] { return Strip() == "已發佈到 LRCLIB" || !boxes.empty(); })) << Strip();
    ASSERT_TRUE(boxes.empty()) << boxes[0];
    ASSERT_EQ(server.records.size(), 1);
    const QJsonObject o = server.records[0].toObject();
    EXPECT_EQ(o["trackName"].toString(), "a");
    EXPECT_EQ(o["duration"].toDouble(), 3);
    EXPECT_EQ(o["syncedLyrics"].toString(), "[00:00.50]Made by me\n");
    EXPECT_EQ(o["plainLyrics"].toString(), "Made by me\n");

    // A proof of work that takes long: cancelled from its progress window,
    // nothing is sent and nothing is reported.
    server.target = QByteArray(64, '0');
    frm->actLyricsPublish->trigger();
    QProgressDialog* progress = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        progress = nullptr;
        for (QProgressDialog* dialog : frm->Window()->findChildren<QProgressDialog*>())
            if (dialog->isVisible())
                progress = dialog;
        return progress && progress->labelText().contains("已試");
    }));
    progress->cancel();
    RunLoopUntil([] { return false; }, 100);
    EXPECT_EQ(server.Count("/api/publish"), 1);
    EXPECT_TRUE(boxes.empty());
    for (QProgressDialog* dialog : frm->Window()->findChildren<QProgressDialog*>())
        EXPECT_FALSE(dialog->isVisible());
}

}  // namespace
