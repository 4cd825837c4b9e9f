#include <QApplication>
#include <QMouseEvent>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "app/qivTrackBar.h"
#include "app/foldersearch.h"
#include "app/localenumbers.h"
#include "app/timetext.h"

namespace fs = std::filesystem;

namespace {

TEST(Routines, MsToMinSecWritesTwoDigitMinutesAndSeconds)
{
    EXPECT_EQ(MsToMinSec(0), "00:00");
    EXPECT_EQ(MsToMinSec(999), "00:00");
    EXPECT_EQ(MsToMinSec(61999), "01:01");
    EXPECT_EQ(MsToMinSec(754000), "12:34");
    EXPECT_EQ(MsToMinSec(6000000), "100:00");
    EXPECT_EQ(MsToMinSec(11999), "00:11");
}

TEST(Routines, FileNameAndExtensionFollowTheLastSlashAndDot)
{
    EXPECT_EQ(StripFileExt("a.b.mp3"), "a.b");
    EXPECT_EQ(StripFileExt("song"), "song");
    EXPECT_EQ(StripFileExt("dir.x/song"), "dir.x/song");
    EXPECT_EQ(StripFileExt("/music/01.intro.mp3"), "/music/01.intro");
    EXPECT_EQ(StripFileExt("C:\\x.mp3"), "C:\\x");  // "\" and ":" are ordinary here
    EXPECT_EQ(ExtractFileName("/music/歌.mp3"), "歌.mp3");
    EXPECT_EQ(ExtractFileName("//root.mp3"), "root.mp3");
    EXPECT_EQ(ExtractFileName("plain"), "plain");
    EXPECT_EQ(StripFileExt(ExtractFileName("/a.b/許功蓋.MP3")), "許功蓋");
}

TEST(Routines, CaptionNumberGroupsThousandsWithOneDecimal)
{
    const NumberStyle point{".", ","};
    const NumberStyle comma{",", "."};
    const NumberStyle plain{".", ""};
    EXPECT_EQ(Trim(FormatNumberField(47500000 / 1024.0 / 1024.0, point)), "45.3");
    EXPECT_EQ(Trim(FormatNumberField(1500000000 / 1024.0 / 1024.0, point)), "1,430.5");
    EXPECT_EQ(Trim(FormatNumberField(1500000000 / 1024.0 / 1024.0, comma)), "1.430,5");
    EXPECT_EQ(Trim(FormatNumberField(1500000000 / 1024.0 / 1024.0, plain)), "1430.5");
    EXPECT_EQ(FormatNumberField(0.0, point), "       0.0");
    EXPECT_EQ(FormatNumber(0.05, 1, point), "0.1");
    EXPECT_EQ(FormatNumber(999.96, 1, point), "1,000.0");
    EXPECT_EQ(FormatNumber(1234567.25, 1, point), "1,234,567.3");
    EXPECT_EQ(FormatNumber(-1234.5, 1, point), "-1,234.5");
    // 5 GiB of songs: the sum is no 32-bit number.
    EXPECT_EQ(FormatNumber(5368709120.0 / 1024 / 1024, 1, point), "5,120.0");
}

TEST(Routines, NextTickLandsJustAfterTheNextWholeSecond)
{
    for (int32_t position : {0, 15, 20, 480, 999, 1000, 11999, 12500, 13001}) {
        const int delay = NextTickDelay(position);
        const int32_t next = position + delay;
        EXPECT_GT(delay, 0) << position;
        EXPECT_LE(delay, 1020) << position;
        // The next tick is in the second after this one, just past its start.
        EXPECT_EQ(next / 1000, position / 1000 + 1) << position;
        EXPECT_LT(next % 1000, 100) << position;
    }
}

class SongSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("song_search_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void File(const std::string& name, std::size_t size)
    {
        std::ofstream(dir / name, std::ios::binary) << std::string(size, 'x');
    }
    fs::path dir;
};

TEST_F(SongSearch, FindsNamesEndingInMp3InAnyCaseHiddenOnesIncluded)
{
    File("B.mp3", 10);
    File("a.MP3", 20);
    File("c.mp3.txt", 30);
    File(".hidden.Mp3", 5);
    File("notes.txt", 1);
    fs::create_directory(dir / "d.mp3");

    std::set<std::string> songs;
    std::set<std::string> folders;
    int64_t size = 0;
    TSearchRec rec;
    for (int found = FindFirst(dir.string(), ".mp3", rec); found == 0; found = FindNext(rec)) {
        if (rec.Attr & faDirectory) {
            folders.insert(rec.Name);
            continue;
        }
        songs.insert(rec.Name);
        size += rec.Size;
        if (rec.Name == ".hidden.Mp3") {
            EXPECT_TRUE(rec.Attr & faHidden);
        }
    }
    FindClose(rec);
    EXPECT_EQ(songs, (std::set<std::string>{"B.mp3", "a.MP3", ".hidden.Mp3"}));
    EXPECT_EQ(folders, (std::set<std::string>{"d.mp3"}));
    EXPECT_EQ(size, 35);
}

TEST_F(SongSearch, MissingFolderFindsNothingAndFileExistsSkipsFolders)
{
    TSearchRec rec;
    EXPECT_NE(FindFirst((dir / "nothing").string(), ".mp3", rec), 0);
    FindClose(rec);
    EXPECT_NE(FindFirst(dir.string(), ".mp3", rec), 0);  // empty folder
    FindClose(rec);
    File("x.mp3", 1);
    // Only absolute paths name folders: a place name never reads the working folder.
    const fs::path cwd = fs::current_path();
    fs::current_path(dir);
    EXPECT_NE(FindFirst(".", ".mp3", rec), 0);
    EXPECT_NE(FindFirst("", ".mp3", rec), 0);
    fs::current_path(cwd);
    EXPECT_EQ(FindFirst(dir.string(), ".mp3", rec), 0);
    FindClose(rec);
    EXPECT_TRUE(FileExists((dir / "x.mp3").string()));
    EXPECT_FALSE(FileExists(dir.string()));
    EXPECT_FALSE(FileExists((dir / "y.mp3").string()));
    EXPECT_FALSE(FileExists(""));
}

TEST(SeekBar, PublishesMouseDownAndUpWithTheirArguments)
{
    TqivTrackBar bar(nullptr);
    bar.SetMax(100);
    bar.SetBounds(0, 0, 102, 22);
    std::vector<std::string> log;
    auto record = [&](const char* what) {
        return [&log, what, &bar](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
            EXPECT_EQ(sender, &bar);
            log.push_back(std::string(what) + " " + std::to_string(static_cast<int>(button)) + " " +
                          std::to_string(shift) + " " + std::to_string(x) + "," + std::to_string(y));
        };
    };
    bar.onMouseDown = record("down");
    bar.onMouseUp = record("up");

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(30, 7), QPointF(30, 7), Qt::RightButton, Qt::RightButton,
                      Qt::ShiftModifier);
    QApplication::sendEvent(bar.Widget(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(31, 8), QPointF(31, 8), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar.Widget(), &release);
    EXPECT_EQ(log, (std::vector<std::string>{"down 1 " + std::to_string(ssShift | ssRight) + " 30,7", "up 1 0 31,8"}));
}

}  // namespace
