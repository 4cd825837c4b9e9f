// Faults from outside the program: the audio server dies while a song plays,
// the playing file is deleted, the folder being scanned vanishes or cannot be
// read, the folder selected in the tree is deleted. The window stays up,
// reports only what its commands report, and keeps what it holds.

#include <cstdlib>
#include <filesystem>
#include <sys/fsuid.h>

#include "loop.h"
#include "media/GstMediaService.h"
#include "mixer/pulse_mixer.h"
#include "pulse_support.h"
#include "tests/app/window_fixture.h"

namespace {

namespace fs = std::filesystem;

class Faults : public WindowTest {
protected:
    // Three songs of 2.5 s, each with a lyric line at 00:01.
    void ThreeSongs(const std::string& folder)
    {
        fs::create_directories(root / folder);
        for (const char* title : {"a", "b", "c"}) {
            fs::copy_file(fs::path(RELIABILITY_DATA) / "long.mp3", root / folder / (std::string(title) + ".mp3"));
            Text(folder, std::string(title) + ".txt", std::string("[00:01.00]line of ") + title + "\n");
        }
    }
    std::shared_ptr<media::MediaService> Gst(const std::string& sink)
    {
        media::GstOptions options;
        options.audioSink = sink;
        return media::CreateGstMediaService(options);
    }
    bool PlayingSecondOf(const std::string& title)
    {
        return RunLoopUntil([&] { return frm->CurrentTitle() == title && frm->pnlTime->Caption() == "00:01"; }, 15000);
    }
};

TEST_F(Faults, AudioServerKilledWhileASongPlays)
{
    pulse_test::PrivateServer server;
    ASSERT_TRUE(server.Started());
    ::setenv("PULSE_SERVER", server.Address().c_str(), 1);
    mixer::PulseMixer::Options mixerOptions;
    mixerOptions.server = server.Address().c_str();
    std::shared_ptr<mixer::MixerService> pulse = mixer::PulseMixer::Open(mixerOptions);
    ASSERT_NE(pulse, nullptr);

    ThreeSongs("songs");
    TPlayerServices services;
    services.Media = Gst("pulsesink");
    services.Mixer = pulse;
    services.Namespace = folders;
    frm = std::make_unique<TfrmMain>(nullptr, services);
    ClickFolder("songs");
    DoubleClickRow(1);
    ASSERT_TRUE(boxes.empty()) << boxes.front();
    ASSERT_TRUE(PlayingSecondOf("a"));
    // The song really plays into that server.
    ASSERT_NE(pulse_test::Run("PULSE_SERVER='" + server.Address() + "' pactl list short sink-inputs"), "");

    server.Kill();
    // The device fails and stops; the idle pass steps to the next song, which
    // cannot be opened without a server: one box, and the window goes idle.
    ASSERT_TRUE(RunLoopUntil([&] { return !frm->Playing(); }, 15000));
    RunLoopUntil([] { return false; }, 300);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(boxes[0].empty());
    std::printf("[ figures  ] audio server killed while \"a\" played; the step to \"b\" reported: %s\n",
                boxes[0].c_str());
    // "b" was started: its open failed in the background, after the window
    // had taken it for the song last started.
    EXPECT_EQ(frm->CurrentTitle(), "b");
    EXPECT_EQ(frm->pnlTime->Caption(), "00:00");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(frm->memLyric->Text(), "[00:01.00]line of b\r\n");
    // The volume controls fail quietly without their server.
    User([&] { frm->TrackBar1->SetPosition(3); });
    User([&] { frm->tbtnMute->Click(); });
    EXPECT_EQ(boxes.size(), 1u);

    // A new server: the next play finds it.
    pulse_test::PrivateServer again;
    ASSERT_TRUE(again.Started());
    ::setenv("PULSE_SERVER", again.Address().c_str(), 1);
    boxes.clear();
    DoubleClickRow(2);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(frm->Playing());
    EXPECT_TRUE(PlayingSecondOf("b"));
    User([&] { frm->btnStop->Click(); });
    Close();
    frm.reset();
    ::unsetenv("PULSE_SERVER");
}

TEST_F(Faults, PlayingFileDeleted)
{
    ThreeSongs("songs");
    Start(Gst("fakesink sync=true"));
    ClickFolder("songs");
    DoubleClickRow(1);
    ASSERT_TRUE(PlayingSecondOf("a"));
    fs::remove(root / "songs" / "a.mp3");
    fs::remove(root / "songs" / "c.mp3");
    // The open song plays to its end, the next one follows; the one after it
    // is gone, so the play command does nothing and the idle pass stops.
    ASSERT_TRUE(PlayingSecondOf("b"));
    ASSERT_TRUE(RunLoopUntil([&] { return !frm->Playing(); }, 15000));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(frm->CurrentTitle(), "b");
    EXPECT_EQ(frm->dxMemData->RecNo(), 3);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));
    // Play on the deleted song does nothing; once it is back it plays.
    DoubleClickRow(3);
    EXPECT_FALSE(frm->Playing());
    fs::copy_file(fs::path(RELIABILITY_DATA) / "long.mp3", root / "songs" / "c.mp3");
    DoubleClickRow(3);
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->CurrentTitle(), "c");
    EXPECT_TRUE(boxes.empty());
}

// Runs `action` once, when the song table has moved `after` times during the
// next scan (each new record is a move), then lets the scan go on.
void DuringScan(TfrmMain& frm, int after, std::function<void()> action)
{
    auto moves = std::make_shared<int>(0);
    auto original = frm.dxMemData->AfterScroll;
    frm.dxMemData->AfterScroll = [=](TdxMemData* table) {
        if (original)
            original(table);
        if (++*moves == after)
            action();
    };
}

TEST_F(Faults, ScannedFolderRemovedDuringTheScan)
{
    for (int i = 0; i < 20; ++i)
        Song("vanishing", "song " + std::to_string(100 + i) + ".mp3", 3000, 1 << 20);
    Start();
    ClickFolder("vanishing");
    ASSERT_EQ(frm->FileCount(), 20);
    DuringScan(*frm, 5, [&] { fs::remove_all(root / "vanishing"); });
    ClickFolder("vanishing");
    // The search goes on with the names it had already read (they come in
    // batches); the sizes are those of the files read before the folder went.
    EXPECT_TRUE(boxes.empty());
    const int listed = frm->dxMemData->RecordCount();
    EXPECT_GE(listed, 5);
    EXPECT_LE(listed, 20);
    EXPECT_EQ(frm->FileCount(), listed);
    EXPECT_EQ(frm->TotalSize(), 5 << 20);
    EXPECT_EQ(frm->dpnlFileList->Caption(), "檔案列表 ( " + std::to_string(listed) + " 個檔案，大小：5.0 MB )");
    // A listed song whose file is gone does not play, and says nothing.
    for (int row = 1; row <= listed; ++row) {
        DoubleClickRow(row);
        EXPECT_FALSE(frm->Playing());
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Faults, ScannedFolderMadeUnreadable)
{
    for (int i = 0; i < 10; ++i)
        Song("locked", "song " + std::to_string(i) + ".mp3");
    Start();
    // Read as "nobody", so that the permissions hold for root as well.
    const int previous = static_cast<int>(setfsuid(65534));
    struct Restore {
        int uid;
        ~Restore() { setfsuid(uid); }
    } restore{previous};

    // Made unreadable in the middle of a scan: the open search goes on.
    DuringScan(*frm, 3, [&] {
        setfsuid(previous);
        fs::permissions(root / "locked", fs::perms::none);
        setfsuid(65534);
    });
    ClickFolder("locked");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(frm->FileCount(), frm->dxMemData->RecordCount());
    EXPECT_GE(frm->FileCount(), 2);

    // Unreadable from the start: the search finds nothing.
    ClickFolder("locked");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(frm->FileCount(), 0);
    EXPECT_EQ(frm->dxMemData->RecordCount(), 0);
    EXPECT_EQ(frm->dpnlFileList->Caption(), "檔案列表 ( 0 個檔案，大小：0.0 MB )");
    for (const std::string& box : boxes)
        ADD_FAILURE() << box;
}

TEST_F(Faults, SelectedTreeFolderDeletedOutsideTheProgram)
{
    Song("kept", "kept song.mp3");
    Song("gone", "gone 1.mp3");
    Song("gone", "gone 2.mp3");
    Start();
    ClickFolder("gone");
    ASSERT_EQ(frm->FileCount(), 2);
    DoubleClickRow(2);
    ASSERT_TRUE(frm->Playing());

    fs::remove_all(root / "gone");
    // The tree still shows the folder until it looks again; a click on it
    // stops the song and lists what is there now: nothing.
    User([&] { frm->ShellTreeView1->OnClick(frm->ShellTreeView1); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(frm->Playing());
    EXPECT_EQ(frm->FileCount(), 0);
    EXPECT_EQ(frm->CurrentTitle(), "gone 2");
    // Expanding and refreshing the deleted folder's node is harmless.
    TTreeNode* gone = frm->ShellTreeView1->Selected();
    ASSERT_NE(gone, nullptr);
    frm->ShellTreeView1->Expand(gone);
    frm->ShellTreeView1->Refresh(gone->Parent());
    User([&] { frm->ShellTreeView1->OnClick(frm->ShellTreeView1); });
    EXPECT_TRUE(boxes.empty());
    // The other folders are still there to play.
    ClickFolder("kept");
    EXPECT_EQ(Titles(), std::vector<std::string>{"kept song"});
    DoubleClickRow(1);
    EXPECT_TRUE(frm->Playing());
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
