// The song list at its edges: songs that share a title, commands that come
// with no song listed, and a scan that fails half-way.

#include "tests/app/window_fixture.h"

#include <unistd.h>

#include "forms/exception.h"

namespace {

// How many of this process's open files are the folder at path.
int OpenHandlesOn(const std::string& path)
{
    int count = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(fd.path(), error) == path)
            ++count;
    }
    return count;
}

TEST_F(WindowTest, SongsOfOneTitlePlayThroughOnceEachInListOrder)
{
    Start();
    for (const char* name : {"a.mp3", "a.MP3", "b.mp3"})
        Song("m", name, 2000);
    ClickFolder("m");
    ASSERT_EQ(Titles(), (std::vector<std::string>{"a", "a", "b"}));
    std::vector<std::string> listed;
    for (int row = 0; row < 3; ++row)
        listed.push_back(frm->dxMemData->GetAsString(row, frm->dxMemDataFileName2));
    ASSERT_TRUE(frm->cbxPlay->Checked());

    DoubleClickRow(1);
    std::vector<std::string> played;
    for (int songs = 0; songs < 6 && frm->Playing(); ++songs) {
        played.push_back(frm->Player()->FileName());
        media->RunToEnd();
        Idle();
    }
    EXPECT_EQ(played, listed);
    EXPECT_FALSE(frm->Playing());

    // Back from the second "a": the first one, not the second again.
    DoubleClickRow(2);
    User([&] { frm->btnPrior->Click(); });
    EXPECT_EQ(frm->Player()->FileName(), listed[0]);
    EXPECT_EQ(frm->dxMemData->RecNo(), 1);
}

TEST_F(WindowTest, WithNoSongListedTheLyricStepReadsNothing)
{
    Start();
    const std::string song = Song("m", "a.mp3", 2000);
    std::filesystem::create_directories(root / "empty");
    ClickFolder("m");
    ClickFolder("empty");
    ASSERT_EQ(frm->FileCount(), 0);
    ASSERT_EQ(frm->Player()->FileName(), song);  // the device still names the song

    // A command that does not wait for its button: the song plays, and no
    // lyric file is looked for without a song record (a path of "" would
    // read ".txt" in the working directory).
    Text("", ".txt", "[00:00]Not this song's\r\n");
    const std::filesystem::path working = std::filesystem::current_path();
    std::filesystem::current_path(root);
    User([&] { frm->btnNextClick(nullptr); });
    std::filesystem::current_path(working);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->memLyric->Text(), "");
    EXPECT_TRUE(LyricRecords().empty());
}

TEST_F(WindowTest, AScanThatFailsClosesItsFolder)
{
    Start();
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        Song("m", name);
    int posted = 0;
    frm->dxMemData->BeforePost = [&](TdxMemData*) {
        if (++posted == 2)
            throw Exception("The disk is full");
    };
    ClickFolder("m");
    ASSERT_EQ(boxes, (std::vector<std::string>{"The disk is full."}));
    EXPECT_EQ(OpenHandlesOn(Folder("m")), 0);

    // The next scan lists the folder whole.
    frm->dxMemData->BeforePost = nullptr;
    ClickFolder("m");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(OpenHandlesOn(Folder("m")), 0);
}

}  // namespace
