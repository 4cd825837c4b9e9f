// What counts as a song, its title and its lyric files, on real files in a
// temporary folder.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "songs/song.h"

namespace fs = std::filesystem;

namespace {

class Songs : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("player_songs_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string File(const std::string& name)
    {
        std::ofstream(dir / name) << "x";
        return (dir / name).string();
    }
    std::string At(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
};

TEST_F(Songs, ASongIsAFileNamedMp3InAnyCaseThatIsNoFolder)
{
    EXPECT_TRUE(songs::IsSongFile(File("a.mp3")));
    EXPECT_TRUE(songs::IsSongFile(File("B.Mp3")));
    EXPECT_FALSE(songs::IsSongFile(File("notes.txt")));
    EXPECT_FALSE(songs::IsSongFile(File("mp3")));
    EXPECT_FALSE(songs::IsSongFile(At("missing.mp3")));
    fs::create_directory(dir / "folder.mp3");
    EXPECT_FALSE(songs::IsSongFile(At("folder.mp3")));
    EXPECT_TRUE(songs::FileExists(At("notes.txt")));
    EXPECT_FALSE(songs::FileExists(At("folder.mp3")));
    // A pipe is listed as the song list lists it (the device refuses it); a
    // link counts as what it points to.
    ASSERT_EQ(::mkfifo(At("pipe.mp3").c_str(), 0600), 0);
    EXPECT_TRUE(songs::IsSongFile(At("pipe.mp3")));
    fs::create_symlink(dir / "a.mp3", dir / "link.mp3");
    EXPECT_TRUE(songs::IsSongFile(At("link.mp3")));
    fs::create_symlink(dir / "folder.mp3", dir / "folder link.mp3");
    EXPECT_FALSE(songs::IsSongFile(At("folder link.mp3")));
}

TEST_F(Songs, TitleIsTheFileNameLessItsLastExtension)
{
    EXPECT_EQ(songs::Title("/music/Counting Stars.mp3"), "Counting Stars");
    EXPECT_EQ(songs::Title("/music/a.b.MP3"), "a.b");
    EXPECT_EQ(songs::Title("/music.d/noext"), "noext");
    EXPECT_EQ(songs::Title("/music/\xE6\x9C\x88\xE5\x85\x89.mp3"), "\xE6\x9C\x88\xE5\x85\x89");
}

TEST_F(Songs, LyricFileIsTheTxtElseTheLrcInAnyCase)
{
    const std::string song = File("a.mp3");
    EXPECT_EQ(songs::LyricFile(song), "");
    const std::string upper = File("a.LRC");
    File("a.Lrc");
    EXPECT_EQ(songs::LyricFile(song), upper);  // the first by byte order
    const std::string lrc = File("a.lrc");
    EXPECT_EQ(songs::LyricFile(song), lrc);
    const std::string txt = File("a.txt");
    EXPECT_EQ(songs::LyricFile(song), txt);
    fs::remove(txt);
    fs::create_directory(txt);  // a folder is no lyric file
    EXPECT_EQ(songs::LyricFile(song), lrc);
}

}  // namespace
