// The program's argument: a folder or an MP3 file to start with.

#include "tests/app/window_fixture.h"

namespace {

class ArgumentTest : public WindowTest {
protected:
    void Open(const std::string& path)
    {
        User([&] { frm->OpenArgument(path); });
    }
};

TEST_F(ArgumentTest, AFolderIsSelectedInTheTreeAndLoadedAsAClickDoes)
{
    Start();
    // The tree has listed "music" before the songs' folders are made in it.
    TTreeNode* computer = frm->ShellTreeView1->TopItem(0);
    std::filesystem::create_directories(root / "music");
    TTreeNode* music = frm->SelectFolder(Folder("music"));
    ASSERT_NE(music, nullptr);
    frm->ShellTreeView1->Expand(music);
    Song("music/albums/first", "b.mp3");
    Song("music/albums/first", "a.mp3");
    Open(Folder("music/albums/first") + "/");  // a trailing slash is the same folder
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    ASSERT_NE(frm->ShellTreeView1->Selected(), nullptr);
    EXPECT_EQ(frm->ShellTreeView1->SelectedFolderPath(), Folder("music/albums/first"));
    // The way to it is open, from Computer down.
    int levels = 0;
    for (TTreeNode* node = frm->ShellTreeView1->Selected()->Parent(); node; node = node->Parent(), ++levels) {
        EXPECT_TRUE(node->Expanded()) << node->Text();
        if (node == computer)
            break;
    }
    EXPECT_GE(levels, 4);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(frm->dpnlFileList->Caption().rfind("檔案列表 ( 2 個檔案", 0), 0u);
    EXPECT_EQ(frm->CurrentPath(), Folder("music/albums/first") + "/a.mp3");
    EXPECT_FALSE(frm->Playing());
}

TEST_F(ArgumentTest, ASongLoadsItsFolderAndPlaysAsADoubleClickDoes)
{
    Start();
    Song("music", "a.mp3", 4000);
    const std::string b = Song("music", "b.mp3", 5000);
    Song("music", "c.mp3", 6000);
    Text("music", "b.txt", "[00:01]One\n");
    // A relative path names the same song.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(root);
    Open("music/../music/b.mp3");
    std::filesystem::current_path(here);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ(frm->ShellTreeView1->SelectedFolderPath(), Folder("music"));
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(frm->dxMemData->RecNo(), 2);
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->Player()->FileName(), b);
    EXPECT_EQ(frm->Player()->Mode(), mdPlaying);
    EXPECT_EQ(frm->CurrentTitle(), "b");
    EXPECT_EQ(LyricRecords().size(), 1u);
    EXPECT_TRUE(frm->Timer1->Enabled());
}

TEST_F(ArgumentTest, ASongNamedAsTheListNamesSongsIsPlayed)
{
    // ".MP3" alone is a hidden file to the file system, and a song to the list.
    Start();
    const std::string song = Song("music", ".MP3");
    Open(song);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ(frm->CurrentPath(), song);
    EXPECT_TRUE(frm->Playing());
}

TEST_F(ArgumentTest, AHiddenFolderTheTreeDoesNotShowIsLoadedAllTheSame)
{
    Start();
    Song(".hidden", "x.mp3");
    Open(Folder(".hidden"));
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"x"}));
    EXPECT_EQ(frm->FileCount(), 1);
}

TEST_F(ArgumentTest, WhatIsNeitherAFolderNorAnMp3FileIsReportedAndChangesNothing)
{
    Start();
    Song("music", "a.mp3");
    Text("music", "notes.txt", "hello");
    for (const std::string& bad : {Folder("missing"), Folder("music") + "/notes.txt"}) {
        boxes.clear();
        Open(bad);
        ASSERT_EQ(boxes.size(), 1u) << bad;
        EXPECT_NE(boxes[0].find(bad), std::string::npos) << boxes[0];
        EXPECT_EQ(frm->FileCount(), 0);
        EXPECT_FALSE(frm->Playing());
    }
}

}  // namespace
