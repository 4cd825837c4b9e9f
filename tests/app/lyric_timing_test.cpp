// The window's lyrics at their own time, on the fake media service: the
// single-shot lyric timer is fired as the loop would fire it, a few ms late.

#include <QAction>
#include <fstream>
#include <iterator>

#include "tests/app/lyric_trace.h"
#include "tests/app/window_fixture.h"

namespace {

class LyricTiming : public WindowTest {
protected:
    // Plays song a.mp3 of folder m with the given lyric file.
    void PlayWith(const std::string& lyric, int lengthMs = 600000)
    {
        Start();
        Song("m", "a.mp3", lengthMs);
        Text("m", "a.txt", lyric);
        ClickFolder("m");
        User([&] { frm->btnPlay->Click(); });
        ASSERT_TRUE(frm->Playing());
    }
    // The lyric timer fires `late` ms after the time it was armed for.
    void LyricTick(int late = 3)
    {
        ASSERT_TRUE(frm->tmrLyric->Enabled());
        media->Advance(frm->tmrLyric->Interval() + late);
        frm->tmrLyric->Tick();
    }
    std::string Strip() const { return frm->pnlCurrentText->Caption(); }
    std::vector<std::string> MarkedIds() const
    {
        std::vector<std::string> ids;
        for (const int row : frm->dxDBGrid2->MarkedRows())
            ids.push_back(frm->dxMemData2->GetAsString(row, frm->dxMemData2ID));
        return ids;
    }
    void Seek(int ms)
    {
        User([&] { frm->qivTrackBar1->onMouseDown(frm->qivTrackBar1, TMouseButton::mbLeft, ssLeft, 1, 1); });
        User([&] { frm->qivTrackBar1->SetPosition(ms); });
        User([&] { frm->qivTrackBar1->onMouseUp(frm->qivTrackBar1, TMouseButton::mbLeft, 0, 1, 1); });
    }
    void DoubleClickLyric(int recNo)
    {
        User([&] {
            frm->dxMemData2->SetRecNo(recNo);
            frm->dxDBGrid2->OnDblClick(frm->dxDBGrid2);
        });
    }
};

TEST_F(LyricTiming, EachLineBecomesCurrentAtItsOwnTimeNeverBefore)
{
    const LyricTrace trace;
    // Out of order, minutes of one and three digits, a fraction of each size.
    PlayWith("[ti:t]\n[1:02.5]c\n[00:12.80]a\n[00:30.123]b\n[100:00.00]d\n", 6001000);
    EXPECT_EQ(Strip(), "");
    EXPECT_TRUE(MarkedIds().empty());  // before the first line nothing is marked
    ASSERT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(trace.Lines()[0], "loaded 4 timed lines from " + Folder("m") + "/a.txt");

    std::vector<std::pair<int, std::string>> shown;
    while (frm->tmrLyric->Enabled()) {
        // Fired 1 ms early, the line is not current yet; the timer is armed
        // again for the rest.
        const std::string before = Strip();
        LyricTick(-1);
        EXPECT_EQ(Strip(), before);
        EXPECT_EQ(frm->tmrLyric->Interval(), 1);
        LyricTick(4);
        shown.emplace_back(frm->Player()->Position(), Strip());
    }
    EXPECT_EQ(shown, (std::vector<std::pair<int, std::string>>{
                         {12804, "a"}, {30127, "b"}, {62504, "c"}, {6000004, "d"}}));
    EXPECT_EQ(MarkedIds(), (std::vector<std::string>{"100:0"}));
    EXPECT_EQ(frm->dxMemData2->FieldByName("ID")->AsString(), "100:0");
    EXPECT_EQ(trace.Lines().at(1), "current line 12800 ms at position 12804 ms");
    EXPECT_EQ(trace.Lines().size(), 5u);
}

TEST_F(LyricTiming, SeeksPauseAndResumeShowTheLineOfThePosition)
{
    PlayWith("[00:01.00]one\n[00:02.00]two\n[00:03.00]three\n[00:04.00]four\n");
    LyricTick();
    ASSERT_EQ(Strip(), "one");
    // Forward, between two tags: the earlier one, and the timer for the next.
    Seek(3500);
    EXPECT_EQ(Strip(), "three");
    EXPECT_EQ(frm->tmrLyric->Interval(), 500);
    // Backward, between two tags.
    Seek(2200);
    EXPECT_EQ(Strip(), "two");
    EXPECT_EQ(MarkedIds(), (std::vector<std::string>{"00:02"}));
    // Backward before the first line: no line is marked, the strip keeps its text.
    Seek(400);
    EXPECT_TRUE(MarkedIds().empty());
    EXPECT_EQ(Strip(), "two");
    EXPECT_EQ(frm->tmrLyric->Interval(), 600);
    // Paused: no timer runs; resumed: armed for what is left.
    media->Advance(300);
    User([&] { frm->btnPause->Click(); });
    EXPECT_FALSE(frm->tmrLyric->Enabled());
    media->Advance(5000);
    User([&] { frm->btnPause->Click(); });
    ASSERT_TRUE(frm->tmrLyric->Enabled());
    EXPECT_EQ(frm->tmrLyric->Interval(), 300);
    LyricTick();
    EXPECT_EQ(Strip(), "one");
    // A drag holds the timer, and shows the line of the dragged time.
    User([&] { frm->qivTrackBar1->onMouseDown(frm->qivTrackBar1, TMouseButton::mbLeft, ssLeft, 1, 1); });
    EXPECT_FALSE(frm->tmrLyric->Enabled());
    User([&] { frm->qivTrackBar1->SetPosition(4100); });
    EXPECT_EQ(Strip(), "four");
    // Stop: no timer; nothing marked in the closed table.
    User([&] { frm->btnStop->Click(); });
    EXPECT_FALSE(frm->tmrLyric->Enabled());
}

TEST_F(LyricTiming, LinesThatShareATimeShowTogether)
{
    PlayWith("[00:01.00]Hello\n[00:01.00]你好\n[00:02.00]Bye\n[00:01.00][00:02.00]x\n");
    LyricTick();
    EXPECT_EQ(Strip(), "Hello\u3000\u3000你好\u3000\u3000x");
    EXPECT_EQ(MarkedIds(), (std::vector<std::string>{"00:01", "00:01", "00:01"}));
    LyricTick();
    EXPECT_EQ(Strip(), "Bye\u3000\u3000x");
    EXPECT_EQ(MarkedIds(), (std::vector<std::string>{"00:02", "00:02"}));
}

TEST_F(LyricTiming, DoubleClickOnATimedLinePlaysFromItsTime)
{
    PlayWith("[ti:t]\n[00:05.50]five\n[00:09.00]nine\n");
    // Records by key: 00:05, 00:09, ti:t.
    DoubleClickLyric(2);
    EXPECT_EQ(frm->Player()->Position(), 9000);
    EXPECT_EQ(frm->qivTrackBar1->Position(), 9000);
    EXPECT_EQ(Strip(), "nine");
    EXPECT_TRUE(frm->Timer1->Enabled());
    // While paused it plays from there too.
    User([&] { frm->btnPause->Click(); });
    DoubleClickLyric(1);
    EXPECT_EQ(frm->Player()->Mode(), mdPlaying);
    EXPECT_EQ(frm->Player()->Position(), 5500);
    EXPECT_EQ(Strip(), "five");
    EXPECT_EQ(frm->tmrLyric->Interval(), 3500);
    // An untimed line, or nothing playing: nothing happens.
    media->ClearRequests();
    DoubleClickLyric(3);
    EXPECT_TRUE(media->Requests().empty());
    User([&] { frm->btnStop->Click(); });
    media->ClearRequests();
    User([&] { frm->dxDBGrid2->OnDblClick(frm->dxDBGrid2); });
    EXPECT_TRUE(media->Requests().empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LyricTiming, RunTimeOffsetIsKeptForTheSongAndReadBackAtItsNextPlay)
{
    const LyricTrace trace;
    Song("m", "b.mp3", 600000);
    PlayWith("[offset:+200]\n[00:02.00]two\n[00:03.00]three\n");
    // The file's offset already shows them 200 ms earlier.
    EXPECT_EQ(frm->tmrLyric->Interval(), 1800);
    for (int i = 0; i < 3; ++i)
        User([&] { frm->actLyricsEarlier->trigger(); });
    EXPECT_EQ(Strip(), "歌詞提前 0.3 秒");
    EXPECT_EQ(frm->LyricShift(), 300);
    EXPECT_EQ(frm->tmrLyric->Interval(), 1500);
    LyricTick();
    EXPECT_EQ(trace.Lines().back(), "current line 1500 ms at position 1503 ms");
    EXPECT_EQ(Strip(), "歌詞提前 0.3 秒");  // the notice holds for its moment
    frm->tmrLyricNote->Tick();
    EXPECT_EQ(Strip(), "two");
    // Later, past the file's offset: the line goes back to before its time.
    for (int i = 0; i < 6; ++i)
        User([&] { frm->actLyricsLater->trigger(); });
    EXPECT_EQ(Strip(), "歌詞延後 0.3 秒");
    EXPECT_TRUE(MarkedIds().empty());
    EXPECT_EQ(frm->tmrLyric->Interval(), 2100 - 1503);
    frm->tmrLyricNote->Tick();
    EXPECT_EQ(Strip(), "two");  // no line current: what it showed before the notice
    // The same actions are in the context menus of the grid and the strip.
    for (QWidget* widget : {frm->dxDBGrid2->Widget(), frm->pnlCurrentText->Widget()}) {
        EXPECT_EQ(widget->contextMenuPolicy(), Qt::ActionsContextMenu);
        EXPECT_TRUE(widget->actions().contains(frm->actLyricsEarlier));
        EXPECT_TRUE(widget->actions().contains(frm->actLyricsLater));
    }
    // The song starts again, in a new window too: its offset is kept (the
    // lyrics come from a .txt file, which stays as it was).
    User([&] { frm->btnPlay->Click(); });
    EXPECT_EQ(frm->LyricShift(), -300);
    EXPECT_EQ(frm->tmrLyric->Interval(), 2100);
    Close();
    frm.reset();
    PlayWith("[offset:+200]\n[00:02.00]two\n[00:03.00]three\n");
    EXPECT_EQ(frm->LyricShift(), -300);
    EXPECT_EQ(frm->tmrLyric->Interval(), 2100);
    // Another song has its own: none.
    SelectRow(2);
    User([&] { frm->btnPlay->Click(); });
    EXPECT_EQ(frm->PlayingPath(), Folder("m") + "/b.mp3");
    EXPECT_EQ(frm->LyricShift(), 0);
    // Back to none for the first song: nothing is kept for it any more.
    SelectRow(1);
    User([&] { frm->btnPlay->Click(); });
    User([&] { frm->actLyricsOnTime->trigger(); });
    EXPECT_EQ(lyrics::OffsetStore().Get(Folder("m") + "/a.mp3"), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LyricTiming, OffsetOfAnLrcSongIsWrittenIntoItsFileAndTheLatencyOffsetAddsToEverySong)
{
    Start();
    Song("m", "a.mp3", 600000);
    const std::string lrc = "[ti:t]\r\n[offset:+200]\r\n[00:02.00]two\r\n";
    Text("m", "a.lrc", lrc);
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    EXPECT_EQ(frm->LyricShift(), 200);  // the file's own offset
    EXPECT_EQ(frm->tmrLyric->Interval(), 1800);
    User([&] { frm->actLyricsEarlier->trigger(); });
    std::ifstream in(Folder("m") + "/a.lrc", std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, "[ti:t]\r\n[offset:+300]\r\n[00:02.00]two\r\n");
    EXPECT_EQ(frm->tmrLyric->Interval(), 1700);
    // Read back at the next play, and moved by the latency offset on top.
    User([&] { frm->SetLatencyOffset(-500); });
    EXPECT_EQ(frm->tmrLyric->Interval(), 2200);
    User([&] { frm->btnPlay->Click(); });
    EXPECT_EQ(frm->LyricShift(), 300);
    EXPECT_EQ(frm->LatencyOffset(), -500);
    EXPECT_EQ(frm->tmrLyric->Interval(), 2200);
    User([&] { frm->SetLatencyOffset(0); });
    EXPECT_EQ(frm->tmrLyric->Interval(), 1700);
    // A file that cannot be written any more (a folder in its place): an
    // error box; the lines still move for this play.
    std::filesystem::remove(Folder("m") + "/a.lrc");
    std::filesystem::create_directory(Folder("m") + "/a.lrc");
    frm->actLyricsEarlier->trigger();  // as a menu click, from the loop
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("a.lrc"), std::string::npos);
    EXPECT_EQ(frm->tmrLyric->Interval(), 1600);
}

TEST_F(LyricTiming, WordTimesFillTheStripWordByWordWithoutTheirMarks)
{
    PlayWith("[00:01.00]<00:01.00>Hel<00:01.40>lo [00:01.80]world<00:02.20>\n[00:03.00]plain\n");
    LyricTick();
    EXPECT_EQ(Strip(), "Hello world");
    using Ranges = TPanel::TTextRanges;
    EXPECT_EQ(frm->pnlCurrentText->Highlights(), (Ranges{{0, 3}}));
    LyricTick();
    EXPECT_EQ(frm->pnlCurrentText->Highlights(), (Ranges{{0, 6}}));
    LyricTick();
    EXPECT_EQ(frm->pnlCurrentText->Highlights(), (Ranges{{0, 11}}));
    LyricTick();  // the end of the last word, at 2203
    EXPECT_EQ(frm->tmrLyric->Interval(), 3000 - 2203);
    // The grid shows the line without its marks; the record keeps its Desc.
    EXPECT_EQ(frm->dxDBGrid2->ShownText(frm->dxDBGrid2->ShownFocusedRow(), 0), "Hello world");
    EXPECT_EQ(frm->dxMemData2Desc->AsString(), "<00:01.00>Hel<00:01.40>lo [00:01.80]world<00:02.20>");
    LyricTick();
    EXPECT_EQ(Strip(), "plain");
    EXPECT_TRUE(frm->pnlCurrentText->Highlights().empty());
}

TEST_F(LyricTiming, ASongStartedWhereTheSeekBarIsPulledBackShowsNoLineBeforeItsTime)
{
    Start();
    Song("m", "a.mp3", 60000);
    Text("m", "a.txt", "[00:40.00]a forty\n");
    Song("m", "b.mp3", 20000);
    Text("m", "b.txt", "[00:15.00]b fifteen\n");
    ClickFolder("m");
    DoubleClickRow(1);
    media->Advance(45000);
    Tick();
    ASSERT_EQ(Strip(), "a forty");
    DoubleClickRow(2);
    // The seek bar was pulled back to b's end, 20 s; b plays from 0.
    EXPECT_EQ(frm->qivTrackBar1->Position(), 20000);
    EXPECT_EQ(Strip(), "a forty");
    EXPECT_TRUE(MarkedIds().empty());
    EXPECT_EQ(frm->tmrLyric->Interval(), 15000);
}

}  // namespace
