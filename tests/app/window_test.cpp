#include "tests/app/window_fixture.h"

#include <QAbstractScrollArea>
#include <QMainWindow>
#include <QTest>
#include <algorithm>
#include <sys/stat.h>

#include "app/DesktopWindow.h"
#include "app/localenumbers.h"
#include "app/timetext.h"
#include "text/decode.h"

namespace {

const std::string kLyrics =
    "[ti:Road]\r\n"
    "[00:00.00]Intro\r\n"
    "[00:01.50]First line\r\n"
    "[00:02.10][00:04.00]Twice\r\n"
    "plain text\r\n";

TEST_F(WindowTest, RoadOfOneSong)
{
    Start();
    // Right after the start: nothing open, nothing listed, every command off.
    EXPECT_FALSE(frm->Playing());
    EXPECT_EQ(frm->Player()->FileName(), "");
    EXPECT_FALSE(frm->Player()->Visible());
    EXPECT_EQ(frm->Player()->Parent(), frm.get());
    EXPECT_EQ(frmMain, frm.get());
    EXPECT_EQ(media->OpenDeviceCount(), 0);
    EXPECT_EQ(frm->dpnlFileList->Caption(), "歌曲列表");
    EXPECT_EQ(frm->pnlTime->Caption(), "00:00");
    EXPECT_TRUE(frm->cbxPlay->Checked());
    EXPECT_FALSE(frm->Timer1->Enabled());
    Idle();
    EXPECT_EQ(Buttons(), "00000");

    // 1-2. A folder is clicked: the list fills in title order, the first song
    // goes to the device.
    const std::string a = Song("music", "a.mp3", 5000, 1000);
    const std::string b = Song("music", "b.mp3", 4000, 2000);
    Song("music", "c.mp3", 3000, 3000);
    Text("music", "b.txt", kLyrics);
    ClickFolder("music");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(frm->FileCount(), 3);
    EXPECT_EQ(frm->TotalSize(), 6000);
    EXPECT_EQ(frm->Player()->FileName(), a);
    EXPECT_EQ(frm->CurrentPath(), a);

    // 3. The next idle pass enables play.
    Idle();
    EXPECT_EQ(Buttons(), "10001");

    // 4. A double click on the second row plays it with its lyrics.
    DoubleClickRow(2);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->Player()->FileName(), b);
    EXPECT_EQ(frm->Player()->Mode(), mdPlaying);
    EXPECT_EQ(frm->pnlPlayFile->Caption(), "b");
    EXPECT_EQ(frm->pnlPlayTime->Caption(), "00:04");
    EXPECT_EQ(frm->CurrentTitle(), "b");
    EXPECT_EQ(frm->qivTrackBar1->Max(), 4000);
    EXPECT_TRUE(frm->Timer1->Enabled());
    EXPECT_EQ(frm->memLyric->Text(), "[ti:Road]\r\n[00:00.00]Intro\r\n[00:01.50]First line\r\n"
                                     "[00:02.10][00:04.00]Twice\r\nplain text\r\n");
    EXPECT_EQ(LyricRecords(), (std::vector<std::pair<std::string, std::string>>{
                                  {"00:00", "Intro"}, {"00:01", "First line"}, {"00:02", "Twice"},
                                  {"00:04", "Twice"}, {"ti:Ro", ""}}));
    Idle();
    EXPECT_EQ(Buttons(), "01111");

    // 5. Each tick moves the seek bar; each line shows at its own time, the
    // one tagged 00:00.00 from the start.
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "Intro");
    ASSERT_TRUE(frm->tmrLyric->Enabled());
    EXPECT_EQ(frm->tmrLyric->Interval(), 1500);  // armed for the next line
    media->Advance(1010);
    Tick();
    EXPECT_EQ(frm->qivTrackBar1->Position(), 1010);
    EXPECT_EQ(frm->pnlTime->Caption(), "00:01");
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "Intro");
    media->Advance(490);
    frm->tmrLyric->Tick();
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "First line");
    EXPECT_EQ(frm->dxMemData2->FieldByName("ID")->AsString(), "00:01");
    media->Advance(1000);
    Tick();
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "Twice");
    media->Advance(1000);
    Tick();  // 00:03 has no line: the last one stays
    EXPECT_EQ(frm->pnlTime->Caption(), "00:03");
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "Twice");

    // 6. At the end the next idle pass goes on to the song after it.
    media->RunToEnd();
    Idle();
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->CurrentTitle(), "c");
    EXPECT_EQ(frm->pnlPlayFile->Caption(), "c");
    EXPECT_EQ(frm->memLyric->Text(), "");  // c has no lyric file
    EXPECT_TRUE(LyricRecords().empty());
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "Twice");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowTest, FolderScanListsMp3FilesInAnyCaseAndSumsTheirSizes)
{
    Start();
    Song("mix", "B.mp3", 1000, 300);
    Song("mix", "a.MP3", 1000, 200);
    Song("mix", ".hidden.mp3", 1000, 50);
    Song("mix", "01.intro.mp3", 1000, 7);
    Text("mix", "c.mp3.txt", "not a song");
    std::filesystem::create_directories(root / "mix" / "d.mp3");
    ClickFolder("mix");
    EXPECT_EQ(Titles(), (std::vector<std::string>{".hidden", "01.intro", "a", "B"}));
    EXPECT_EQ(frm->TotalSize(), 557);
    EXPECT_EQ(frm->FileCount(), 4);
    EXPECT_EQ(frm->dxMemData->GetAsString(3, frm->dxMemDataFileName2), Folder("mix") + "/B.mp3");

    // A long title is cut at 40 bytes, never inside a character; the path is whole.
    const std::string longName = std::string(38, 'x') + "歌詞.mp3";
    const std::string longPath = Song(std::string(150, 'p'), longName);
    ClickFolder(std::string(150, 'p'));
    EXPECT_EQ(Titles(), (std::vector<std::string>{std::string(38, 'x')}));
    EXPECT_EQ(frm->Player()->FileName(), longPath);
    User([&] { frm->btnPlay->Click(); });
    EXPECT_TRUE(frm->Playing());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowTest, CaptionTellsCountAndMegabytes)
{
    Start();
    // 12 files of 47,500,000 bytes together.
    for (int i = 0; i < 12; ++i)
        Song("twelve", "s" + std::to_string(i) + ".mp3", 1000, i == 0 ? 47500000 - 11 * 1000 : 1000);
    ClickFolder("twelve");
    EXPECT_EQ(frm->dpnlFileList->Caption(), "檔案列表 ( 12 個檔案，大小：45.3 MB )");

    // Beyond 2 GiB the sum stays true.
    Song("big", "one.mp3", 1000, 1ull << 31);
    Song("big", "two.mp3", 1000, 1ull << 30);
    ClickFolder("big");
    EXPECT_EQ(frm->TotalSize(), 3ll << 30);
    EXPECT_EQ(frm->dpnlFileList->Caption(),
              "檔案列表 ( 2 個檔案，大小：" + Trim(FormatNumberField(3072.0, NumberStyle::User())) + " MB )");

    std::filesystem::create_directories(root / "empty");
    ClickFolder("empty");
    EXPECT_EQ(frm->dpnlFileList->Caption(), "檔案列表 ( 0 個檔案，大小：0" +
                                                 NumberStyle::User().decimalSeparator + "0 MB )");
}

// While another folder is listed, the song the device was given stays its
// song until the list is complete; then the first song of the list is.
TEST_F(WindowTest, AScanKeepsTheDevicesSongUntilTheListIsComplete)
{
    Start();
    const std::string a = Song("one", "a.mp3");
    const std::string c = Song("two", "c.mp3");
    Song("two", "d.mp3");
    ClickFolder("one");
    std::vector<std::string> seen;
    frm->dxMemData->AfterPost = [&](TdxMemData*) { seen.push_back(frm->Player()->FileName()); };
    ClickFolder("two");
    EXPECT_EQ(seen, (std::vector<std::string>{a, a}));
    EXPECT_EQ(frm->CurrentPath(), c);
    EXPECT_EQ(frm->Player()->FileName(), c);
}

TEST_F(WindowTest, ScanWithoutSongsKeepsPathAndDeviceFileAndNoFolderScansNothing)
{
    Start();
    const std::string a = Song("one", "a.mp3");
    ClickFolder("one");
    std::filesystem::create_directories(root / "none");
    ClickFolder("none");
    EXPECT_EQ(frm->FileCount(), 0);
    EXPECT_TRUE(Titles().empty());
    EXPECT_EQ(frm->CurrentPath(), a);
    EXPECT_EQ(frm->Player()->FileName(), a);
    Idle();
    EXPECT_EQ(Buttons(), "00000");

    // A folder that has gone lists nothing either.
    ClickFolder("one");
    User([&] { frm->LoadFolder(Folder("gone")); });
    EXPECT_EQ(frm->FileCount(), 0);
    EXPECT_EQ(frm->dpnlFileList->Caption().rfind("檔案列表 ( 0 個檔案", 0), 0u);

    // No folder selected: the list and caption stay as they are.
    ClickFolder("one");
    const std::string caption = frm->dpnlFileList->Caption();
    ClickFolder("");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a"}));
    EXPECT_EQ(frm->dpnlFileList->Caption(), caption);
    // Computer has no file-system path: its scan lists nothing.
    ClickFolder("Computer");
    EXPECT_TRUE(Titles().empty());
    EXPECT_EQ(frm->CurrentPath(), a);
}

TEST_F(WindowTest, TheSongKeptAfterAnEmptyScanPlaysWithItsOwnLyrics)
{
    Start();
    const std::string a = Song("one", "a.mp3");
    Text("one", "a.txt", "[00:00]a's line\n");
    ClickFolder("one");
    std::filesystem::create_directories(root / "none");
    ClickFolder("none");
    // A double click on the empty list plays the song the device kept.
    User([&] { frm->dxDBGrid1->OnDblClick(frm->dxDBGrid1); });
    ASSERT_TRUE(frm->Playing());
    EXPECT_EQ(frm->Player()->FileName(), a);
    EXPECT_EQ(frm->memLyric->Text(), "[00:00]a's line\r\n");
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "a's line");
}

TEST_F(WindowTest, TreeClickStopsAPlayingSongEvenWithoutAFolder)
{
    Start();
    Song("one", "a.mp3");
    ClickFolder("one");
    User([&] { frm->btnPlay->Click(); });
    ASSERT_TRUE(frm->Playing());
    ClickFolder("");
    EXPECT_FALSE(frm->Playing());
    EXPECT_EQ(media->OpenDeviceCount(), 0);
    EXPECT_FALSE(frm->Timer1->Enabled());
}

TEST_F(WindowTest, StopResetsTimeAndSeekBarButKeepsWhatWasShown)
{
    Start();
    Song("m", "a.mp3", 10000);
    Text("m", "a.txt", "[00:00]Zero\n[00:02]Two\n");
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    media->Advance(2100);
    Tick();
    ASSERT_EQ(frm->pnlCurrentText->Caption(), "Two");
    User([&] { frm->btnStop->Click(); });
    EXPECT_FALSE(frm->Playing());
    EXPECT_EQ(frm->pnlTime->Caption(), "00:00");
    EXPECT_EQ(frm->qivTrackBar1->Position(), 0);
    // The seek bar went to 0 while the lyrics were still there.
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "Zero");
    EXPECT_EQ(frm->pnlPlayFile->Caption(), "a");
    EXPECT_EQ(frm->pnlPlayTime->Caption(), "00:10");
    EXPECT_EQ(frm->memLyric->Text(), "[00:00]Zero\r\n[00:02]Two\r\n");
    EXPECT_FALSE(frm->dxMemData2->Active());
    EXPECT_FALSE(frm->Timer1->Enabled());
    EXPECT_EQ(media->OpenDeviceCount(), 0);
    // Dragging after a stop changes only the time display.
    User([&] { frm->qivTrackBar1->SetPosition(2000); });
    EXPECT_EQ(frm->pnlTime->Caption(), "00:02");
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "Zero");
    Idle();
    EXPECT_EQ(frm->pnlPlayFile->Caption(), "a");  // no file open: the title stays
}

TEST_F(WindowTest, NextAndPriorStepFromTheSongLastStarted)
{
    Start();
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
        Song("m", name);
    ClickFolder("m");
    DoubleClickRow(2);
    ASSERT_EQ(frm->CurrentTitle(), "b");
    SelectRow(4);  // the user looks elsewhere
    User([&] { frm->btnNext->Click(); });
    EXPECT_EQ(frm->CurrentTitle(), "c");
    EXPECT_EQ(frm->dxMemData->RecNo(), 3);
    User([&] { frm->btnPrior->Click(); });
    EXPECT_EQ(frm->CurrentTitle(), "b");
    // Next on the last song starts it again.
    DoubleClickRow(4);
    SelectRow(1);
    User([&] { frm->btnNext->Click(); });
    EXPECT_EQ(frm->CurrentTitle(), "d");
    EXPECT_EQ(frm->Player()->Position(), 0);
    // A song whose file has gone does not play: nothing changes.
    std::filesystem::remove(root / "m" / "a.mp3");
    media->ClearRequests();
    DoubleClickRow(1);
    EXPECT_EQ(frm->CurrentTitle(), "d");
    EXPECT_TRUE(media->Requests().empty());
}

TEST_F(WindowTest, PlayAllGoesThroughTheListThenStops)
{
    Start();
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        Song("m", name, 2000);
    ClickFolder("m");
    DoubleClickRow(1);
    std::vector<std::string> played{frm->CurrentTitle()};
    for (int i = 0; i < 5 && frm->Playing(); ++i) {
        media->Advance(1500);
        Tick();
        media->RunToEnd();
        Idle();
        if (frm->Playing())
            played.push_back(frm->CurrentTitle());
    }
    EXPECT_EQ(played, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(frm->Playing());
    EXPECT_EQ(frm->qivTrackBar1->Position(), 0);
    EXPECT_EQ(frm->pnlTime->Caption(), "00:00");
    EXPECT_EQ(media->OpenDeviceCount(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowTest, WithoutPlayAllEachSongStopsAtItsEnd)
{
    Start();
    for (const char* name : {"a.mp3", "b.mp3"})
        Song("m", name, 2000);
    ClickFolder("m");
    User([&] { frm->cbxPlay->SetChecked(false); });
    DoubleClickRow(1);
    media->RunToEnd();
    Idle();
    EXPECT_FALSE(frm->Playing());
    EXPECT_EQ(frm->CurrentTitle(), "a");
    EXPECT_EQ(frm->dxMemData->RecNo(), 1);

    // Ticked again, but the user has selected the last row: the end stops.
    User([&] { frm->cbxPlay->SetChecked(true); });
    DoubleClickRow(1);
    SelectRow(2);
    media->RunToEnd();
    Idle();
    EXPECT_FALSE(frm->Playing());
}

TEST_F(WindowTest, PauseShowsTheNoticeAtTheNextIdlePass)
{
    Start();
    Song("m", "a.mp3", 10000);
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    media->Advance(1200);
    User([&] { frm->btnPause->Click(); });
    EXPECT_EQ(frm->pnlPlayFile->Caption(), "a");
    Idle();
    EXPECT_EQ(frm->pnlPlayFile->Caption(), "暫停 Paused");
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(Buttons(), "01100");
    media->Advance(3000);
    Tick();
    EXPECT_EQ(frm->qivTrackBar1->Position(), 1200);
    User([&] { frm->btnPause->Click(); });
    Idle();
    EXPECT_EQ(frm->pnlPlayFile->Caption(), "a");
    media->Advance(500);
    EXPECT_EQ(frm->Player()->Position(), 1700);
}

TEST_F(WindowTest, EnablingFollowsTheCursorAndThePlayer)
{
    Start();
    Song("one", "only.mp3");
    ClickFolder("one");
    Idle();
    EXPECT_EQ(Buttons(), "10000");  // one song, nothing playing

    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        Song("three", name);
    ClickFolder("three");
    Idle();
    EXPECT_EQ(Buttons(), "10001");  // first of several
    SelectRow(3);
    Idle();
    EXPECT_EQ(Buttons(), "10010");  // last of several
    SelectRow(2);
    User([&] { frm->btnPlay->Click(); });
    Idle();
    EXPECT_EQ(Buttons(), "01111");  // playing, cursor in the middle
    User([&] { frm->btnPause->Click(); });
    SelectRow(1);
    Idle();
    EXPECT_EQ(Buttons(), "01101");  // paused, cursor on the first
    // Play stays off while playing, but a double click still plays.
    DoubleClickRow(3);
    EXPECT_EQ(frm->CurrentTitle(), "c");
}

TEST_F(WindowTest, SeekBarDragShowsTheLyricAndReleasePlaysFromThere)
{
    Start();
    Song("m", "a.mp3", 60000);
    Text("m", "a.txt", "[00:30]Thirty\n");
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    media->Advance(1000);
    Tick();
    User([&] { frm->qivTrackBar1->onMouseDown(frm->qivTrackBar1, TMouseButton::mbLeft, ssLeft, 10, 5); });
    EXPECT_FALSE(frm->Timer1->Enabled());
    User([&] { frm->qivTrackBar1->SetPosition(30500); });  // the drag
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "Thirty");
    EXPECT_EQ(frm->Player()->Position(), 1000);  // still where it was
    media->ClearRequests();
    User([&] { frm->qivTrackBar1->onMouseUp(frm->qivTrackBar1, TMouseButton::mbRight, 0, 10, 5); });
    EXPECT_TRUE(frm->Timer1->Enabled());
    EXPECT_EQ(frm->Player()->Mode(), mdPlaying);
    EXPECT_EQ(frm->Player()->Position(), 30500);

    // Released while paused: plays on from the new place.
    User([&] { frm->btnPause->Click(); });
    User([&] { frm->qivTrackBar1->onMouseDown(frm->qivTrackBar1, TMouseButton::mbLeft, ssLeft, 1, 1); });
    User([&] { frm->qivTrackBar1->SetPosition(5000); });
    User([&] { frm->qivTrackBar1->onMouseUp(frm->qivTrackBar1, TMouseButton::mbLeft, 0, 1, 1); });
    EXPECT_EQ(frm->Player()->Mode(), mdPlaying);
    EXPECT_EQ(frm->Player()->Position(), 5000);

    // A user move without the mouse shows the time but does not seek.
    User([&] { frm->qivTrackBar1->SetPosition(40000); });
    EXPECT_EQ(frm->pnlTime->Caption(), "00:40");
    Tick();
    EXPECT_EQ(frm->qivTrackBar1->Position(), 5000);

    // Released with nothing playing: nothing happens.
    User([&] { frm->btnStop->Click(); });
    media->ClearRequests();
    User([&] { frm->qivTrackBar1->onMouseUp(frm->qivTrackBar1, TMouseButton::mbLeft, 0, 1, 1); });
    EXPECT_TRUE(media->Requests().empty());
    EXPECT_FALSE(frm->Timer1->Enabled());
}

TEST_F(WindowTest, ShorterSongPullsTheSeekBarBack)
{
    Start();
    Song("m", "a.mp3", 60000);
    Song("m", "b.mp3", 20000);
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    media->Advance(45000);
    Tick();
    DoubleClickRow(2);
    EXPECT_EQ(frm->qivTrackBar1->Max(), 20000);
    EXPECT_EQ(frm->qivTrackBar1->Position(), 20000);
    EXPECT_EQ(frm->pnlTime->Caption(), "00:20");
    Tick();
    EXPECT_EQ(frm->qivTrackBar1->Position(), 0);
}

TEST_F(WindowTest, LyricLinesGiveOneRecordPerLeadingTag)
{
    Start();
    Song("m", "a.mp3");
    Text("m", "a.txt",
         "[00:12.34]Hello\n[00:13.34][01:05.00]Twice\n[00:14]\n[ti:Song title]\n[1:02.00]x\n"
         "abc[00:15]def\nHello\n[歌詞]x\n中[00:18]y\n"
         // An unclosed tag ends its line after the record it gives.
         "[00:16\n[00:17][oops\n");
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    auto records = LyricRecords();
    std::sort(records.begin(), records.end());
    EXPECT_EQ(records, (std::vector<std::pair<std::string, std::string>>{
                           {"00:12", "Hello"},
                           {"00:13", "Twice"},
                           {"00:14", ""},
                           {"00:16", "[00:16"},
                           {"00:17", "[oops"},
                           {"01:05", "Twice"},
                           {"1:02.", "x"},
                           {"[00:1", "中[00:18]y"},  // the key starts after the first character
                           {"bc[00", "abc[00:15]def"},
                           {"oops", "[oops"},
                           {"ti:So", ""},
                           {"歌", "x"},  // the 5-byte key stops before a character that would not fit
                       }));
    // The first record is current and no line is shown before a tick.
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "");
}

TEST_F(WindowTest, LegacyEncodedLyricsAreDecodedBeforeTheyAreShown)
{
    Start();
    Song("m", "a.mp3");
    // "許功蓋" in Big5: each second byte is "\\".
    const std::string big5 = "\xB3\x5C\xA5\x5C\xBB\x5C";
    Text("m", "a.txt", "[00:01]" + big5 + "\r\n[00:02][00:03]" + big5 + big5 + "\r\n");
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    for (const auto& [id, desc] : LyricRecords())
        EXPECT_TRUE(text::IsValidUtf8(desc)) << id;
    EXPECT_EQ(LyricRecords(), (std::vector<std::pair<std::string, std::string>>{
                                  {"00:01", "許功蓋"}, {"00:02", "許功蓋許功蓋"}, {"00:03", "許功蓋許功蓋"}}));
    EXPECT_EQ(frm->memLyric->Text(), "[00:01]許功蓋\r\n[00:02][00:03]許功蓋許功蓋\r\n");
}

TEST_F(WindowTest, TicksAlignedToTheSongShowEverySecond)
{
    Start();
    Song("m", "a.mp3", 15000);
    std::string lyric;
    for (int s = 1; s <= 14; ++s)
        lyric += "[" + MsToMinSec(s * 1000) + ".00]line " + std::to_string(s) + "\n";
    Text("m", "a.txt", lyric);
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    // The timer fires when the window asked it to, plus some lateness.
    std::vector<std::string> shown;
    int32_t position = 0;
    const int lateness[] = {3, 17, 9, 0, 15, 6, 12, 1};
    for (int i = 0; frm->Playing() && position < 14000; ++i) {
        media->Advance(NextTickDelay(position) + lateness[i % 8]);
        Tick();
        position = frm->qivTrackBar1->Position();
        if (shown.empty() || shown.back() != frm->pnlCurrentText->Caption())
            shown.push_back(frm->pnlCurrentText->Caption());
    }
    std::vector<std::string> expected;
    for (int s = 1; s <= 14; ++s)
        expected.push_back("line " + std::to_string(s));
    EXPECT_EQ(shown, expected);
}

TEST_F(WindowTest, FirstTickOfTheNextSongShowsItsLineEvenAtTheSeekBarsOldPosition)
{
    Start();
    Song("m", "a.mp3", 1500);
    Song("m", "b.mp3", 1500);
    Text("m", "a.txt", "[00:01]A one\n");
    Text("m", "b.txt", "[00:01]B one\n");
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    media->Advance(1010);
    Tick();
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "A one");
    // The song ends; the next one starts and its first tick comes at the very
    // millisecond the seek bar still shows.
    media->Advance(490);
    Idle();
    ASSERT_EQ(frm->CurrentTitle(), "b");
    EXPECT_EQ(frm->qivTrackBar1->Position(), 1010);
    media->Advance(1010);
    Tick();
    EXPECT_EQ(frm->pnlTime->Caption(), "00:01");
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "B one");
    // Later ticks at an unchanged position (paused) change nothing.
    User([&] { frm->btnPause->Click(); });
    User([&] { frm->pnlCurrentText->SetCaption("kept"); });
    Tick();
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "kept");
}

TEST_F(WindowTest, VolumeSliderStartsAtTheMasterVolumeAndMuteToggles)
{
    Start();
    EXPECT_EQ(frm->TrackBar1->Position(), 8);
    EXPECT_EQ(frm->TrackBar1->Hint(), "音量：8");
    // The master volume was written again as 8.
    auto expected = std::make_shared<mixer::MemoryMixer>();
    TssVolumeController(nullptr, expected).SetVolume(8);
    EXPECT_EQ(mixer->Current(), expected->Current());
    EXPECT_EQ(frm->tbtnMute->ImageIndex(), 41);

    User([&] { frm->TrackBar1->SetPosition(0); });
    EXPECT_EQ(mixer->Current(), (mixer::Levels{0, 0}));
    EXPECT_EQ(frm->TrackBar1->Hint(), "音量：0");
    EXPECT_FALSE(mixer->Muted());

    User([&] { frm->tbtnMute->Click(); });
    EXPECT_EQ(frm->tbtnMute->ImageIndex(), 42);
    EXPECT_TRUE(mixer->Muted());
    User([&] { frm->tbtnMute->Click(); });
    EXPECT_EQ(frm->tbtnMute->ImageIndex(), 41);
    EXPECT_FALSE(mixer->Muted());

    // Muted by another program: not noticed; the next click mutes again.
    mixer->SetMuted(true);
    User([&] { frm->tbtnMute->Click(); });
    EXPECT_EQ(frm->tbtnMute->ImageIndex(), 42);
    EXPECT_TRUE(mixer->Muted());
}

TEST_F(WindowTest, PositionBeyondTheLengthPutsTheSeekBarAtZero)
{
    // A device that reports a position past the song's end.
    class Overrun : public media::FakeMediaService {
    public:
        media::ResultCode Position(media::DeviceId device, std::int32_t& ms) override
        {
            const media::ResultCode result = FakeMediaService::Position(device, ms);
            ms += 5000;
            return result;
        }
    };
    auto overrun = std::make_shared<Overrun>();
    const std::string a = Song("m", "a.mp3", 10000);
    overrun->AddSong(a, 10000);
    Start(overrun);
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    overrun->Advance(3000);
    Tick();
    EXPECT_EQ(frm->qivTrackBar1->Position(), 8000);
    overrun->Advance(3000);
    Tick();
    EXPECT_EQ(frm->qivTrackBar1->Position(), 0);
    EXPECT_EQ(frm->pnlTime->Caption(), "00:00");
}

TEST_F(WindowTest, MasterVolumeZeroLeavesTheSliderAndItsHint)
{
    // The stored volume 9 is written at load; a mixer that reads back 0
    // (it ignores writes) keeps the slider at 0 without a change event.
    class DeafMixer : public mixer::MemoryMixer {
    public:
        bool WriteLevels(const mixer::Levels&) override { return true; }
    };
    auto deaf = std::make_shared<DeafMixer>();
    TPlayerServices services;
    services.Media = media;
    services.Mixer = deaf;
    frm = std::make_unique<TfrmMain>(nullptr, services);
    EXPECT_EQ(frm->TrackBar1->Position(), 0);
    EXPECT_EQ(frm->TrackBar1->Hint(), "調整音量");
}

TEST_F(WindowTest, ErrorsAreReportedOnceAndTheWindowGoesOn)
{
    Start();
    Song("m", "a.mp3", 10000);
    const std::string broken = Song("m", "b.mp3");
    media->AddBrokenFile(broken, "The file is not a media file");
    Text("m", "b.txt", "[00:00]Broken's words\n");
    ClickFolder("m");
    DoubleClickRow(1);
    ASSERT_TRUE(frm->Playing());
    DoubleClickRow(2);
    EXPECT_EQ(boxes, (std::vector<std::string>{"The file is not a media file."}));
    // The open failed after the song before was closed: the window is idle.
    EXPECT_FALSE(frm->Playing());
    EXPECT_FALSE(frm->Timer1->Enabled());
    EXPECT_EQ(frm->pnlTime->Caption(), "00:00");
    EXPECT_EQ(frm->memLyric->Text(), "[00:00]Broken's words\r\n");  // already loaded
    Tick();
    Idle();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Buttons(), "10010");
    // The window goes on: another song plays.
    DoubleClickRow(1);
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(boxes.size(), 1u);
}

// Songs that open in the background, as on the real device: the play
// command returns before the length is known, the seek bar's range and the
// length display follow once the song is ready, and a song that turns out
// not to open stops the window with its error once, with "撥放全部" ticked too.
TEST_F(WindowTest, SongsThatOpenInTheBackgroundShowTheirLengthOrErrorWhenTheOpenEnds)
{
    media->SetOpensInBackground(true);
    Start();
    Song("m", "a.mp3", 125000);
    const std::string broken = Song("m", "b.mp3");
    media->AddBrokenFile(broken, "The file is not a media file");
    Song("m", "c.mp3");
    ClickFolder("m");
    ASSERT_TRUE(frm->cbxPlay->Checked());
    DoubleClickRow(1);
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->qivTrackBar1->Max(), 0);
    EXPECT_EQ(frm->Player()->Mode(), mdPlaying);  // plays as soon as it is ready
    media->FinishOpens();
    ASSERT_TRUE(RunLoopUntil([&] { return frm->qivTrackBar1->Max() == 125000; }, 2000));
    EXPECT_EQ(frm->pnlPlayTime->Caption(), "02:05");
    media->Advance(2000);
    Tick();
    EXPECT_EQ(frm->qivTrackBar1->Position(), 2000);

    DoubleClickRow(2);
    EXPECT_TRUE(frm->Playing());
    EXPECT_TRUE(boxes.empty());
    media->FinishOpens();
    ASSERT_TRUE(RunLoopUntil([&] { return !boxes.empty(); }, 2000));
    RunLoopUntil([] { return false; }, 100);  // no further step, no second box
    EXPECT_EQ(boxes, (std::vector<std::string>{"The file is not a media file."}));
    EXPECT_FALSE(frm->Playing());
    EXPECT_FALSE(frm->Timer1->Enabled());
    EXPECT_EQ(frm->pnlTime->Caption(), "00:00");
    EXPECT_EQ(frm->dxMemData->RecNo(), 2);
    EXPECT_EQ(media->OpenDeviceCount(), 0);
    EXPECT_EQ(Buttons(), "10011");
}

TEST_F(WindowTest, TooLargeLyricFileStopsThePlayWithTheMemoError)
{
    Start();
    Song("m", "a.mp3");
    Text("m", "a.txt", "");
    std::filesystem::resize_file(root / "m" / "a.txt", 4 * frm->memLyric->Capacity() + 1);
    Song("m", "b.mp3");
    Text("m", "b.txt", std::string(frm->memLyric->Capacity() + 1, 'a'));
    ClickFolder("m");
    DoubleClickRow(1);
    DoubleClickRow(2);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Text exceeds memo capacity.", "Text exceeds memo capacity."}));
    EXPECT_FALSE(frm->Playing());
    EXPECT_EQ(media->OpenDeviceCount(), 0);
}

// Playing through a folder onto a song whose lyric file cannot be shown: one
// error, then the player is stopped, and the desktop sees it stopped; the
// idle passes after it never step onto that song again.
TEST_F(WindowTest, PlayAllOntoALyricFileThatCannotBeShownReportsOnceAndStops)
{
    Start();
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
        Song("m", name, 2000);
    Text("m", "b.txt", "");
    std::filesystem::resize_file(root / "m" / "b.txt", 4 * frm->memLyric->Capacity() + 1);
    TDesktopWindow desktop(frm.get());
    ClickFolder("m");
    DoubleClickRow(1);
    ASSERT_EQ(desktop.State().Status, desktop::TPlaybackStatus::Playing);
    media->RunToEnd();
    for (int i = 0; i < 5; ++i) {
        Idle();
        Tick();
    }
    EXPECT_EQ(boxes, (std::vector<std::string>{"Text exceeds memo capacity."}));
    EXPECT_FALSE(frm->Playing());
    EXPECT_FALSE(frm->Timer1->Enabled());
    EXPECT_EQ(media->OpenDeviceCount(), 0);
    EXPECT_EQ(desktop.State().Status, desktop::TPlaybackStatus::Stopped);
    EXPECT_EQ(frm->dxMemData->RecNo(), 2);
    // The user starts the next song by hand: play-through goes on from there.
    DoubleClickRow(3);
    EXPECT_EQ(frm->CurrentTitle(), "c");
    EXPECT_EQ(desktop.State().Status, desktop::TPlaybackStatus::Playing);
}

TEST_F(WindowTest, LyricFileThatCannotBeReadStopsThePlayWithItsError)
{
    Start();
    Song("m", "a.mp3");
    // A pipe under the lyric file's name: refused at once, never waited on.
    ASSERT_EQ(::mkfifo((root / "m" / "a.txt").c_str(), 0600), 0);
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    const std::string path = (root / "m" / "a.txt").string();
    EXPECT_EQ(boxes, (std::vector<std::string>{"Cannot open file \"" + path + "\". Not a regular file."}));
    EXPECT_FALSE(frm->Playing());
    EXPECT_EQ(media->OpenDeviceCount(), 0);
}

TEST_F(WindowTest, CloseStopsAPlayingOrPausedSongAndFreesTheDevice)
{
    Start();
    Song("m", "a.mp3", 10000);
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    User([&] { frm->btnPause->Click(); });
    Close();
    EXPECT_EQ(frm->Player(), nullptr);
    EXPECT_EQ(media->OpenDeviceCount(), 0);
    EXPECT_FALSE(frm->Playing());
    Idle();  // a late idle pass does nothing
    EXPECT_TRUE(boxes.empty());
    frm.reset();

    Start();
    media->ClearRequests();
    Close();
    EXPECT_TRUE(media->Requests().empty());
    EXPECT_EQ(frm->Player(), nullptr);
}

}  // namespace

namespace {

TEST_F(WindowTest, DesignShowsTitleAndPathColumnsAndABareLyricColumn)
{
    Start();
    const auto songColumns = frm->dxDBGrid1->VisibleColumns();
    ASSERT_EQ(songColumns.size(), 2u);
    EXPECT_EQ(songColumns[0]->Caption(), "檔案名稱");
    EXPECT_EQ(songColumns[1]->Caption(), "檔案路徑");
    EXPECT_TRUE(songColumns[0]->ReadOnly());
    EXPECT_EQ(frm->dxDBGrid1->ColumnCount(), 4);
    const auto lyricColumns = frm->dxDBGrid2->VisibleColumns();
    ASSERT_EQ(lyricColumns.size(), 1u);
    EXPECT_EQ(lyricColumns[0]->FieldName(), "Desc");
    EXPECT_EQ(lyricColumns[0]->Width(), 500);
    EXPECT_FALSE(frm->dxDBGrid2->ShowHeader());
    EXPECT_FALSE(frm->dxDBGrid2->ShowGrid());
    EXPECT_EQ(frm->tbtnMute->ImageIndex(), 41);
    EXPECT_EQ(frm->ImageList1->Count(), 43);
    EXPECT_EQ(frm->ilDockIcons->Count(), 12);
    EXPECT_EQ(frm->Timer1->Interval(), 1000);
    EXPECT_EQ(frm->qivTrackBar1->Max(), 100);
    EXPECT_EQ(frm->TrackBar1->Max(), 100);
    EXPECT_EQ(frm->FindComponent("btnPlay"), frm->btnPlay);
    EXPECT_EQ(frm->btnPlay->Hint(), "撥放");
    EXPECT_EQ(frm->qivTrackBar1->Hint(), "撥放進度");
}

TEST_F(WindowTest, DoubleClickOnARowPlaysItAndBelowTheRowsNothing)
{
    Start();
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        Song("m", name);
    ClickFolder("m");
    frm->Show();
    frm->Window()->resize(795, 509);
    QApplication::processEvents();
    auto* view = static_cast<QAbstractScrollArea*>(frm->dxDBGrid1->Widget());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, frm->dxDBGrid1->CellRect(1, 0).center());
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->CurrentTitle(), "b");
    const QRect last = frm->dxDBGrid1->RowRect(2);
    ASSERT_LT(last.bottom() + 10, view->viewport()->height());
    media->ClearRequests();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(last.center().x(), last.bottom() + 8));
    EXPECT_TRUE(media->Requests().empty());
    EXPECT_EQ(frm->CurrentTitle(), "b");
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
