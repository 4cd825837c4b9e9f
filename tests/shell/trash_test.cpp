#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "shell/trash.h"
#include "tests/shell/temp_folder.h"

using namespace shell;

namespace {

// Points the home trash at a temporary folder for the test.
struct TrashHome {
    TempFolder temp;
    ScopedEnv data{"XDG_DATA_HOME", temp / "data"};
    std::string Trash() const { return temp / "data/Trash"; }
    std::string Info(const std::string& entry) const
    {
        std::ifstream in(Trash() + "/info/" + entry + ".trashinfo");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

}  // namespace

TEST(Trash, MovesAFolderWithItsInfoAndKeepsEveryEarlierOne)
{
    TrashHome home;
    const std::string first = home.temp.Folder("work/songs/cd1");
    ASSERT_TRUE(std::filesystem::exists(first));
    std::string error;
    ASSERT_TRUE(MoveToTrash(home.temp / "work/songs", error)) << error;
    EXPECT_FALSE(std::filesystem::exists(home.temp / "work/songs"));
    EXPECT_TRUE(std::filesystem::exists(home.Trash() + "/files/songs/cd1"));
    const std::string info = home.Info("songs");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + PercentEncodePath(home.temp / "work/songs") + "\nDeletionDate=", 0), 0u)
        << info;

    // The same name again, with a stray item already under the next name: nothing is replaced.
    home.temp.Folder("work/songs");
    home.temp.Folder("data/Trash/files/songs.2/keep");
    ASSERT_TRUE(MoveToTrash(home.temp / "work/songs", error)) << error;
    EXPECT_TRUE(std::filesystem::exists(home.Trash() + "/files/songs/cd1"));
    EXPECT_TRUE(std::filesystem::exists(home.Trash() + "/files/songs.2/keep"));
    EXPECT_TRUE(std::filesystem::exists(home.Trash() + "/files/songs.3"));
    EXPECT_FALSE(std::filesystem::exists(home.Trash() + "/info/songs.2.trashinfo"));
    EXPECT_TRUE(std::filesystem::exists(home.Trash() + "/info/songs.3.trashinfo"));
}

TEST(Trash, NamesThatAreNotTextArePercentEncoded)
{
    TrashHome home;
    const std::string name("a b\xff\n中", 8);
    home.temp.Folder(name);
    std::string error;
    ASSERT_TRUE(MoveToTrash(home.temp / name, error)) << error;
    EXPECT_TRUE(std::filesystem::exists(home.Trash() + "/files/" + name));
    EXPECT_NE(home.Info(name).find("/a%20b%FF%0A%E4%B8%AD\n"), std::string::npos) << home.Info(name);
}

TEST(Trash, AMissingItemFailsWithAReason)
{
    TrashHome home;
    std::string error;
    EXPECT_FALSE(MoveToTrash(home.temp / "missing", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(MoveToTrash("/", error));
}
