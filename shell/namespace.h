#pragma once
// The namespace the folder tree shows: a Desktop root; under it Computer, a
// virtual folder; under Computer the "drives": the file system root, the user's
// home folder and each mounted volume of a real file system; under those the
// folders of the file system. Items are named by item id lists (idlist.h).
//
// Folders are listed by opendir/readdir; hidden items are those whose name
// begins with a dot. Names are byte strings (any bytes but "/" and NUL), shown
// and returned exactly as the file system holds them.

#include <dirent.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/idlist.h"

namespace shell {

// What EnumObjects lists.
constexpr unsigned SHCONTF_FOLDERS = 0x20;
constexpr unsigned SHCONTF_NONFOLDERS = 0x40;
constexpr unsigned SHCONTF_INCLUDEHIDDEN = 0x80;

// Attributes GetAttributesOf reports (only the asked bits).
constexpr std::uint32_t SFGAO_CANRENAME = 0x10;
constexpr std::uint32_t SFGAO_SHARE = 0x20000;
constexpr std::uint32_t SFGAO_FOLDER = 0x20000000;
constexpr std::uint32_t SFGAO_HASSUBFOLDER = 0x80000000;

// Name forms for GetDisplayNameOf.
constexpr unsigned SHGDN_NORMAL = 0;
constexpr unsigned SHGDN_INFOLDER = 1;
constexpr unsigned SHGDN_FORPARSING = 0x8000;

// Special folder numbers GetSpecialFolderLocation knows.
constexpr int CSIDL_DESKTOP = 0;
constexpr int CSIDL_DRIVES = 17;

// A folder of the namespace. Relative id lists passed in may hold several
// levels (an absolute list is relative to the desktop).
class IShellFolder {
public:
    virtual ~IShellFolder() = default;

    // Appends the folder's items (relative lists) in the file system's order.
    // False when the folder cannot be read; items then holds nothing new.
    virtual bool EnumObjects(unsigned flags, std::vector<TItemIdList>& items) = 0;
    // The folder of an item below this one; nullptr when the item is no folder.
    virtual std::shared_ptr<IShellFolder> BindToObject(PCItemIDList relative) = 0;
    virtual std::uint32_t GetAttributesOf(PCItemIDList relative, std::uint32_t asked) = 0;
    // False when the item has no name (a damaged id list).
    virtual bool GetDisplayNameOf(PCItemIDList relative, unsigned flags, std::string& name) = 0;
    // The namespace's order: -1, 0 (the same item) or +1.
    virtual int CompareIDs(PCItemIDList a, PCItemIDList b) = 0;
    // A byte string whose order (unsigned bytes) is the order of CompareIDs, for
    // the first item of the list; sorting many items by key is much faster.
    virtual std::string SortKey(PCItemIDList relative) = 0;
    // Gives the item a new name; on success newRelative names it afterwards.
    virtual bool SetNameOf(PCItemIDList relative, const std::string& name, TItemIdList& newRelative) = 0;
    // Turns a path into a list relative to this folder (absolute paths, from
    // the desktop). False when nothing of that name is a folder here.
    virtual bool ParseDisplayName(const std::string& path, TItemIdList& relative) = 0;
    // The icon theme name of the item's small icon (open: the "open" icon).
    virtual std::string IconName(PCItemIDList relative, bool open) = 0;
};

// Where the namespace looks. The defaults are the running system's; tests
// point them at temporary files.
struct TNamespaceOptions {
    std::string MountsFile = "/proc/self/mounts";
    // The home folder; empty means $HOME, else the password database.
    std::string Home;
    // Samba's user shares (one file per share with a "path=" line).
    std::string UserSharesDir = "/var/lib/samba/usershares";
    // Opens a folder for listing; opendir by default.
    std::function<DIR*(const char* path)> OpenDirectory;
};

struct TDrive {
    char Kind;  // 'R' root, 'H' home, 'M' mounted volume, 'V' removable, 'N' network
    std::string Path;
};

// The namespace. One instance serves the process (CurrentNamespace()).
class TLinuxNamespace : public std::enable_shared_from_this<TLinuxNamespace> {
public:
    explicit TLinuxNamespace(TNamespaceOptions options = {});
    ~TLinuxNamespace();

    const TNamespaceOptions& Options() const { return FOptions; }
    const std::string& Home() const { return FHome; }
    // Root, home, then the mounted volumes of real file systems in path order.
    std::vector<TDrive> Drives() const;

    std::shared_ptr<IShellFolder> DesktopFolder();
    // The absolute list of a special folder; false when it has no meaning here
    // or does not exist.
    bool GetSpecialFolderLocation(int csidl, TItemIdList& absolute);

    // Name ordering: the user's collation, ignoring case, numbers as numbers;
    // ties broken by bytes, so only equal names compare equal.
    int CompareNames(std::string_view a, std::string_view b) const;
    std::string NameKey(std::string_view name) const;

    bool IsShared(const std::string& path);
    void RefreshShares();
    DIR* OpenDirectory(const char* path) const;

private:
    struct Impl;
    TNamespaceOptions FOptions;
    std::string FHome;
    std::unique_ptr<Impl> FImpl;
};

// The process's namespace, made on first use with the default options.
std::shared_ptr<TLinuxNamespace> CurrentNamespace();
// Replaces it (tests); nullptr restores the default at next use.
void SetCurrentNamespace(std::shared_ptr<TLinuxNamespace> value);

// The desktop folder of the current namespace.
std::shared_ptr<IShellFolder> GetDesktopFolder();
bool GetSpecialFolderLocation(int csidl, TItemIdList& absolute);

}  // namespace shell
