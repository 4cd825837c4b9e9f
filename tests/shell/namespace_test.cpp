#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

#include "shell/mounts.h"
#include "shell/namespace.h"
#include "tests/shell/temp_folder.h"

using namespace shell;

namespace {

// A namespace over a temporary home and mount table.
struct Space {
    TempFolder temp;
    std::shared_ptr<TLinuxNamespace> space;
    std::shared_ptr<IShellFolder> desktop;

    explicit Space(const std::string& mounts = "")
    {
        temp.Folder("home");
        temp.File("mounts", mounts);
        TNamespaceOptions options;
        options.Home = temp / "home";
        options.MountsFile = temp / "mounts";
        options.UserSharesDir = temp / "shares";
        space = std::make_shared<TLinuxNamespace>(options);
        desktop = space->DesktopFolder();
    }

    TItemIdList Parse(const std::string& path) const
    {
        TItemIdList list;
        EXPECT_TRUE(desktop->ParseDisplayName(path, list)) << path;
        return list;
    }
    std::shared_ptr<IShellFolder> Bind(const std::string& path) const { return desktop->BindToObject(Parse(path).get()); }
};

std::string Name(IShellFolder& folder, PCItemIDList id, unsigned flags)
{
    std::string name;
    EXPECT_TRUE(folder.GetDisplayNameOf(id, flags, name));
    return name;
}

// The folder's items by in-folder name, in the namespace's order.
std::vector<std::string> Listing(IShellFolder& folder, unsigned flags = SHCONTF_FOLDERS)
{
    std::vector<TItemIdList> ids;
    EXPECT_TRUE(folder.EnumObjects(flags, ids));
    std::sort(ids.begin(), ids.end(),
              [&](const TItemIdList& a, const TItemIdList& b) { return folder.SortKey(a.get()) < folder.SortKey(b.get()); });
    std::vector<std::string> names;
    for (const auto& id : ids)
        names.push_back(Name(folder, id.get(), SHGDN_INFOLDER));
    return names;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(LinuxNamespace, ListsFoldersAndLinksToFoldersButNoHiddenOnes)
{
    Space s;
    s.temp.Folder("music/albums");
    s.temp.Folder("music/.cache");
    s.temp.File("music/song.mp3");
    std::filesystem::create_directory_symlink(s.temp / "music/albums", s.temp / "music/linked");
    std::filesystem::create_symlink(s.temp / "nowhere", s.temp / "music/broken");
    auto music = s.Bind(s.temp / "music");
    ASSERT_TRUE(music);
    EXPECT_EQ(Listing(*music), (Names{"albums", "linked"}));
    EXPECT_EQ(Listing(*music, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN), (Names{".cache", "albums", "linked"}));
    // Other items come after the folders.
    EXPECT_EQ(Listing(*music, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS), (Names{"albums", "linked", "broken", "song.mp3"}));
}

TEST(LinuxNamespace, OrdersNamesByCollationIgnoringCaseWithNumbersAsNumbers)
{
    Space s;
    for (const char* name : {"b", "a10", "B", "a2", "A", "Zebra", "apple"})
        s.temp.Folder(std::string("list/") + name);
    auto list = s.Bind(s.temp / "list");
    EXPECT_EQ(Listing(*list), (Names{"A", "a2", "a10", "apple", "B", "b", "Zebra"}));

    // The sort keys and the pairwise comparison agree, and only the same item is equal.
    std::vector<TItemIdList> ids;
    ASSERT_TRUE(list->EnumObjects(SHCONTF_FOLDERS, ids));
    for (const auto& a : ids)
        for (const auto& b : ids) {
            const int keys = list->SortKey(a.get()).compare(list->SortKey(b.get()));
            const int order = list->CompareIDs(a.get(), b.get());
            EXPECT_EQ(order, keys < 0 ? -1 : (keys > 0 ? 1 : 0));
            EXPECT_EQ(order == 0, a.Bytes() == b.Bytes());
        }
}

TEST(LinuxNamespace, NamesAndPathsAreTheExactBytes)
{
    Space s;
    const std::vector<std::string> names = {"with space", "line\nbreak", std::string("bad\xff\xfe utf8"), "周杰倫 歌曲"};
    for (const auto& name : names)
        s.temp.Folder("odd/" + name);
    auto odd = s.Bind(s.temp / "odd");
    std::vector<TItemIdList> ids;
    ASSERT_TRUE(odd->EnumObjects(SHCONTF_FOLDERS, ids));
    ASSERT_EQ(ids.size(), names.size());
    for (const auto& id : ids) {
        const std::string name = Name(*odd, id.get(), SHGDN_INFOLDER);
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
        EXPECT_EQ(Name(*odd, id.get(), SHGDN_FORPARSING), s.temp / ("odd/" + name));
        struct stat st {};
        EXPECT_EQ(::stat(Name(*odd, id.get(), SHGDN_FORPARSING).c_str(), &st), 0);
    }
    // A "?" followed by a digit is an ordinary part of a Linux name.
    s.temp.Folder("?1?x");
    EXPECT_EQ(Name(*s.desktop, s.Parse(s.temp / "?1?x").get(), SHGDN_FORPARSING), s.temp / "?1?x");
}

TEST(LinuxNamespace, ComputerListsRootHomeAndRealMountedVolumes)
{
    TempFolder mnt;
    const std::string usb = mnt.Folder("usb stick");
    const std::string data = mnt.Folder("data");
    const std::string hidden = mnt.Folder("hidden");
    const std::string file = mnt.File("bound-file");
    const std::string table = "proc /proc proc rw 0 0\n"
                              "/dev/sda1 / ext4 rw 0 0\n"
                              "tmpfs " + mnt.Folder("tmp") + " tmpfs rw 0 0\n"
                              "/dev/sdb1 " + mnt.Path() + "/usb\\040stick vfat rw 0 0\n"
                              "/dev/sdc1 " + data + " ext4 rw 0 0\n"
                              "/dev/sdc1 " + data + " ext4 rw 0 0\n"
                              "/dev/sdd1 " + hidden + " ext4 rw,x-gvfs-hide 0 0\n"
                              "/dev/sda1 " + file + " ext4 rw 0 0\n"
                              "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n";
    Space s(table);
    TItemIdList computer;
    ASSERT_TRUE(s.space->GetSpecialFolderLocation(CSIDL_DRIVES, computer));
    EXPECT_EQ(Name(*s.desktop, computer.get(), SHGDN_NORMAL), "Computer");
    EXPECT_EQ(Name(*s.desktop, computer.get(), SHGDN_FORPARSING).rfind("::{", 0), 0u);

    auto folder = s.desktop->BindToObject(computer.get());
    ASSERT_TRUE(folder);
    std::vector<TItemIdList> ids;
    ASSERT_TRUE(folder->EnumObjects(SHCONTF_FOLDERS, ids));
    std::vector<std::string> paths, names;
    for (const auto& id : ids) {
        paths.push_back(Name(*folder, id.get(), SHGDN_FORPARSING));
        names.push_back(Name(*folder, id.get(), SHGDN_NORMAL));
    }
    EXPECT_EQ(paths, (Names{"/", s.temp / "home", data, usb}));
    EXPECT_EQ(names, (Names{"File System", "Home", "data", "usb stick"}));
    // Drives are folders that cannot be renamed.
    EXPECT_EQ(folder->GetAttributesOf(ids[0].get(), SFGAO_FOLDER | SFGAO_CANRENAME), SFGAO_FOLDER);
}

TEST(LinuxNamespace, PathsParseUnderTheDriveThatHoldsThemMostClosely)
{
    Space s;
    s.temp.Folder("home/Music/Live");
    s.temp.Folder("other");
    const TItemIdList live = s.Parse(s.temp / "home//Music/./Live/");
    ASSERT_EQ(IdListItemCount(live.get()), 4);  // Computer, Home, Music, Live
    EXPECT_EQ(Name(*s.desktop, live.get(), SHGDN_FORPARSING), s.temp / "home/Music/Live");
    const TItemIdList home(CopyParentIdList(TItemIdList(CopyParentIdList(live.get())).get()));
    EXPECT_EQ(Name(*s.desktop, home.get(), SHGDN_NORMAL), "Home");

    const TItemIdList root = s.Parse("/");
    EXPECT_EQ(Name(*s.desktop, root.get(), SHGDN_FORPARSING), "/");
    EXPECT_EQ(Name(*s.desktop, s.Parse(s.temp / "other").get(), SHGDN_FORPARSING), s.temp / "other");

    TItemIdList none;
    EXPECT_FALSE(s.desktop->ParseDisplayName("relative/path", none));
    EXPECT_FALSE(s.desktop->ParseDisplayName(s.temp / "missing", none));
    EXPECT_FALSE(s.desktop->ParseDisplayName(s.temp.File("a-file"), none));
}

TEST(LinuxNamespace, SpecialFoldersWithoutALinuxMeaningAreNotFound)
{
    Space s;
    TItemIdList list;
    ASSERT_TRUE(s.space->GetSpecialFolderLocation(5, list));  // the home folder
    EXPECT_EQ(Name(*s.desktop, list.get(), SHGDN_FORPARSING), s.temp / "home");
    ASSERT_TRUE(s.space->GetSpecialFolderLocation(CSIDL_DESKTOP, list));
    EXPECT_TRUE(IsEmptyIdList(list.get()));
    for (int csidl : {1, 3, 4, 6, 8, 9, 18, 25, 27})
        EXPECT_FALSE(s.space->GetSpecialFolderLocation(csidl, list)) << csidl;
}

TEST(LinuxNamespace, RenameNeverReplacesAnExistingItem)
{
    Space s;
    s.temp.Folder("r/old/inside");
    s.temp.Folder("r/taken");
    auto r = s.Bind(s.temp / "r");
    const TItemIdList old = s.Parse(s.temp / "r/old");
    const PCItemIDList relative = LastItem(old.get());
    const TItemIdList single(CopyIdList(relative));
    EXPECT_EQ(r->GetAttributesOf(single.get(), SFGAO_CANRENAME | SFGAO_FOLDER), SFGAO_CANRENAME | SFGAO_FOLDER);

    TItemIdList renamed;
    for (const std::string bad : {"", ".", "..", "a/b", "taken", "old"})
        EXPECT_FALSE(r->SetNameOf(single.get(), bad, renamed)) << bad;
    EXPECT_TRUE(std::filesystem::exists(s.temp / "r/old/inside"));

    ASSERT_TRUE(r->SetNameOf(single.get(), "新名字", renamed));
    EXPECT_EQ(Name(*r, renamed.get(), SHGDN_FORPARSING), s.temp / "r/新名字");
    EXPECT_TRUE(std::filesystem::exists(s.temp / "r/新名字/inside"));
    EXPECT_FALSE(std::filesystem::exists(s.temp / "r/old"));
}

TEST(LinuxNamespace, AFolderThatCannotBeReadHasNoItems)
{
    Space s;
    s.temp.Folder("locked/inner");
    auto locked = s.Bind(s.temp / "locked");
    ASSERT_EQ(::chmod((s.temp / "locked").c_str(), 0), 0);
    if (geteuid() != 0) {
        std::vector<TItemIdList> ids;
        EXPECT_FALSE(locked->EnumObjects(SHCONTF_FOLDERS, ids));
        EXPECT_TRUE(ids.empty());
        return;
    }
    // Permissions do not hold for root: list as an ordinary user in a child process.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        std::vector<TItemIdList> ids;
        const bool listed = locked->EnumObjects(SHCONTF_FOLDERS, ids);
        _exit(!listed && ids.empty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(LinuxNamespace, SharedFoldersCarryTheShareAttribute)
{
    Space s;
    s.temp.Folder("shared");
    s.temp.Folder("private");
    s.temp.Folder("shares");
    s.temp.File("shares/music", "#VERSION 2\npath=" + (s.temp / "shared") + "\ncomment=\n");
    EXPECT_EQ(s.desktop->GetAttributesOf(s.Parse(s.temp / "shared").get(), SFGAO_SHARE), SFGAO_SHARE);
    EXPECT_EQ(s.desktop->GetAttributesOf(s.Parse(s.temp / "private").get(), SFGAO_SHARE), 0u);
    // Only the asked bits are given.
    EXPECT_EQ(s.desktop->GetAttributesOf(s.Parse(s.temp / "shared").get(), SFGAO_FOLDER), SFGAO_FOLDER);
}

TEST(MountTable, EscapesAreUndoneAndPseudoFileSystemsLeftOut)
{
    TempFolder t;
    t.File("mounts", "/dev/sda1 /media/a\\040b\\011c\\134d ext4 rw 0 0\n"
                     "sysfs /sys sysfs rw 0 0\n"
                     "/dev/sdb1 /run/media/me/USB vfat rw 0 0\n"
                     "tmpfs /run/user/1000 tmpfs rw 0 0\n");
    const auto entries = ReadMountTable(t / "mounts");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].Path, "/media/a b\tc\\d");
    EXPECT_TRUE(IsRealFileSystem(entries[0]));
    EXPECT_FALSE(IsRealFileSystem(entries[1]));
    EXPECT_TRUE(IsRealFileSystem(entries[2]));
    EXPECT_FALSE(IsRealFileSystem(entries[3]));
}
