#include "shell/namespace.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include "shell/mounts.h"
#include "text/collation.h"

namespace shell {

namespace {

// Item layout: kind, flags, then the kind's bytes.
//   'C'                 Computer
//   'D' <drive kind> path   a drive: its absolute path
//   'F' name            a file system item inside its parent
constexpr char kComputer = 'C';
constexpr char kDrive = 'D';
constexpr char kItem = 'F';
constexpr std::uint8_t kFlagFolder = 0x01;

// The virtual folders' parsing names are class identifiers, as for places
// that are not file-system folders; their normal names are what users see.
constexpr const char* kDesktopParsingName = "::{Desktop}";
constexpr const char* kComputerParsingName = "::{Computer}";
constexpr const char* kDesktopName = "Desktop";
constexpr const char* kComputerName = "Computer";
constexpr const char* kRootName = "File System";
constexpr const char* kHomeName = "Home";

std::string ItemPayload(char kind, std::uint8_t flags, std::string_view bytes)
{
    std::string payload;
    payload.reserve(bytes.size() + 2);
    payload += kind;
    payload += static_cast<char>(flags);
    payload += bytes;
    return payload;
}

bool ItemValid(PCItemIDList item) { return ItemSize(item) >= 4; }
char ItemKind(PCItemIDList item) { return static_cast<char>(item[2]); }
std::uint8_t ItemFlags(PCItemIDList item) { return item[3]; }
std::string_view ItemData(PCItemIDList item) { return ItemBytes(item).substr(2); }

std::string JoinPath(const std::string& folder, std::string_view name)
{
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string LastComponent(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Where an id list leads.
struct Location {
    enum Kind { Invalid, Desktop, Computer, Drive, Item } kind = Invalid;
    std::string path;       // drives and items
    std::string name;       // items: the name inside the parent
    char driveKind = 0;     // drives
    bool folder = false;
};

Location Step(const Location& from, PCItemIDList item)
{
    Location to;
    if (!ItemValid(item))
        return to;
    switch (ItemKind(item)) {
    case kComputer:
        if (from.kind == Location::Desktop) {
            to.kind = Location::Computer;
            to.folder = true;
        }
        break;
    case kDrive: {
        const std::string_view data = ItemData(item);
        if (from.kind == Location::Computer && data.size() >= 2 && data[1] == '/') {
            to.kind = Location::Drive;
            to.driveKind = data[0];
            to.path = std::string(data.substr(1));
            to.folder = true;
        }
        break;
    }
    case kItem: {
        const std::string_view name = ItemData(item);
        if ((from.kind == Location::Drive || (from.kind == Location::Item && from.folder)) && !name.empty()) {
            to.kind = Location::Item;
            to.name = std::string(name);
            to.path = JoinPath(from.path, name);
            to.folder = (ItemFlags(item) & kFlagFolder) != 0;
        }
        break;
    }
    default:
        break;
    }
    return to;
}

Location Walk(Location at, PCItemIDList list)
{
    if (!list)
        return {};
    for (PCItemIDList item = list; ItemSize(item) != 0; item = NextItem(item)) {
        at = Step(at, item);
        if (at.kind == Location::Invalid)
            break;
    }
    return at;
}

int DriveRank(char kind)
{
    switch (kind) {
    case 'R':
        return 0;
    case 'H':
        return 1;
    default:
        return 2;
    }
}

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : fallback;
}

// A folder named in the XDG user-dirs file (XDG_DESKTOP_DIR="$HOME/Desktop").
std::string UserDir(const std::string& home, const std::string& key, const std::string& fallback)
{
    const std::string config = EnvOr("XDG_CONFIG_HOME", home + "/.config");
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=\"", 0) != 0 || line.back() != '"')
            continue;
        std::string value = line.substr(key.size() + 2, line.size() - key.size() - 3);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        if (!value.empty() && value[0] == '/')
            return value;
    }
    return home + "/" + fallback;
}

}  // namespace

// ---------------------------------------------------------------------------
// The namespace

struct TLinuxNamespace::Impl {
    UCollator* collator = nullptr;
    std::set<std::string> shares;
    struct timespec sharesStamp {};
    bool sharesLoaded = false;
    ~Impl()
    {
        if (collator)
            ucol_close(collator);
    }
};

TLinuxNamespace::TLinuxNamespace(TNamespaceOptions options)
    : FOptions(std::move(options)), FImpl(std::make_unique<Impl>())
{
    FHome = FOptions.Home;
    if (FHome.empty())
        FHome = EnvOr("HOME", "");
    if (FHome.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
            FHome = entry->pw_dir;
    }
    while (FHome.size() > 1 && FHome.back() == '/')
        FHome.pop_back();

    UErrorCode status = U_ZERO_ERROR;
    FImpl->collator = ucol_open(text::UserCollationLocale(), &status);
    if (U_FAILURE(status) || !FImpl->collator) {
        status = U_ZERO_ERROR;
        FImpl->collator = ucol_open("", &status);
    }
    if (FImpl->collator) {
        status = U_ZERO_ERROR;
        ucol_setAttribute(FImpl->collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
        ucol_setAttribute(FImpl->collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    }
}

TLinuxNamespace::~TLinuxNamespace() = default;

std::vector<TDrive> TLinuxNamespace::Drives() const
{
    std::vector<TDrive> drives{{'R', "/"}};
    if (FHome.size() > 1 && IsDirectory(FHome))
        drives.push_back({'H', FHome});
    std::vector<TDrive> volumes;
    for (const TMountEntry& entry : ReadMountTable(FOptions.MountsFile)) {
        if (!IsRealFileSystem(entry) || entry.Path == "/" || entry.Path == FHome || !IsDirectory(entry.Path))
            continue;
        if (std::any_of(volumes.begin(), volumes.end(), [&](const TDrive& d) { return d.Path == entry.Path; }))
            continue;
        char kind = 'M';
        static const std::set<std::string> network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs",
                                                      "fuse.rclone", "9p", "ceph", "glusterfs"};
        if (network.count(entry.Type))
            kind = 'N';
        else if (IsPathUnder(entry.Path, "/media") || IsPathUnder(entry.Path, "/run/media"))
            kind = 'V';
        volumes.push_back({kind, entry.Path});
    }
    std::sort(volumes.begin(), volumes.end(),
              [this](const TDrive& a, const TDrive& b) { return CompareNames(a.Path, b.Path) < 0; });
    drives.insert(drives.end(), volumes.begin(), volumes.end());
    return drives;
}

int TLinuxNamespace::CompareNames(std::string_view a, std::string_view b) const
{
    if (FImpl->collator) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult result = ucol_strcollUTF8(FImpl->collator, a.data(), static_cast<int32_t>(a.size()),
                                                         b.data(), static_cast<int32_t>(b.size()), &status);
        if (U_SUCCESS(status) && result != UCOL_EQUAL)
            return result == UCOL_LESS ? -1 : 1;
    }
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
}

std::string TLinuxNamespace::NameKey(std::string_view name) const
{
    std::string key;
    if (FImpl->collator) {
        UChar stack[256];
        std::u16string heap;
        UChar* utf16 = stack;
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(stack, 256, &length, name.data(), static_cast<int32_t>(name.size()), 0xFFFD,
                             nullptr, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            heap.resize(static_cast<std::size_t>(length));
            status = U_ZERO_ERROR;
            u_strFromUTF8WithSub(reinterpret_cast<UChar*>(heap.data()), length, &length, name.data(),
                                 static_cast<int32_t>(name.size()), 0xFFFD, nullptr, &status);
            utf16 = reinterpret_cast<UChar*>(heap.data());
        }
        if (U_SUCCESS(status) || status == U_STRING_NOT_TERMINATED_WARNING) {
            key.resize(64 + static_cast<std::size_t>(length) * 4);
            int32_t size = ucol_getSortKey(FImpl->collator, utf16, length,
                                           reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
            if (size > static_cast<int32_t>(key.size())) {
                key.resize(static_cast<std::size_t>(size));
                size = ucol_getSortKey(FImpl->collator, utf16, length, reinterpret_cast<uint8_t*>(key.data()), size);
            }
            // The key ends with its own zero byte, which keeps it apart from the name's bytes.
            key.resize(static_cast<std::size_t>(size));
        }
    }
    key += name;
    return key;
}

void TLinuxNamespace::RefreshShares()
{
    struct stat st {};
    if (::stat(FOptions.UserSharesDir.c_str(), &st) != 0) {
        FImpl->shares.clear();
        FImpl->sharesLoaded = true;
        return;
    }
    if (FImpl->sharesLoaded && st.st_mtim.tv_sec == FImpl->sharesStamp.tv_sec &&
        st.st_mtim.tv_nsec == FImpl->sharesStamp.tv_nsec)
        return;
    FImpl->shares.clear();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(FOptions.UserSharesDir, error)) {
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("path=", 0) == 0) {
                std::string path = line.substr(5);
                while (path.size() > 1 && path.back() == '/')
                    path.pop_back();
                FImpl->shares.insert(path);
            }
    }
    FImpl->sharesStamp = st.st_mtim;
    FImpl->sharesLoaded = true;
}

bool TLinuxNamespace::IsShared(const std::string& path)
{
    if (!FImpl->sharesLoaded)
        RefreshShares();
    return !FImpl->shares.empty() && FImpl->shares.count(path) > 0;
}

DIR* TLinuxNamespace::OpenDirectory(const char* path) const
{
    return FOptions.OpenDirectory ? FOptions.OpenDirectory(path) : ::opendir(path);
}

// ---------------------------------------------------------------------------
// Folders

namespace {

class TLinuxFolder : public IShellFolder {
public:
    TLinuxFolder(std::shared_ptr<TLinuxNamespace> space, Location self)
        : FSpace(std::move(space)), FSelf(std::move(self))
    {
    }

    bool EnumObjects(unsigned flags, std::vector<TItemIdList>& items) override
    {
        switch (FSelf.kind) {
        case Location::Desktop:
            if (flags & SHCONTF_FOLDERS)
                items.emplace_back(MakeIdList(ItemPayload(kComputer, kFlagFolder, {})));
            return true;
        case Location::Computer:
            if (flags & SHCONTF_FOLDERS)
                for (const TDrive& drive : FSpace->Drives())
                    items.emplace_back(
                        MakeIdList(ItemPayload(kDrive, kFlagFolder, std::string(1, drive.Kind) + drive.Path)));
            return true;
        case Location::Drive:
        case Location::Item:
            return FSelf.folder && EnumDirectory(flags, items);
        default:
            return false;
        }
    }

    std::shared_ptr<IShellFolder> BindToObject(PCItemIDList relative) override
    {
        Location at = Walk(FSelf, relative);
        if (at.kind == Location::Invalid || !at.folder)
            return nullptr;
        return std::make_shared<TLinuxFolder>(FSpace, std::move(at));
    }

    std::uint32_t GetAttributesOf(PCItemIDList relative, std::uint32_t asked) override
    {
        const Location at = Walk(FSelf, relative);
        std::uint32_t attributes = 0;
        switch (at.kind) {
        case Location::Desktop:
        case Location::Computer:
        case Location::Drive:
            // Like a disk's folders, these say they may have sub-folders
            // without looking; a first expansion finds out.
            attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
            break;
        case Location::Item:
            attributes = SFGAO_CANRENAME;
            if (at.folder)
                attributes |= SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
            break;
        default:
            break;
        }
        if ((asked & SFGAO_SHARE) && (at.kind == Location::Drive || (at.kind == Location::Item && at.folder)) &&
            FSpace->IsShared(at.path))
            attributes |= SFGAO_SHARE;
        return attributes & asked;
    }

    bool GetDisplayNameOf(PCItemIDList relative, unsigned flags, std::string& name) override
    {
        const Location at = Walk(FSelf, relative);
        const bool parsing = (flags & SHGDN_FORPARSING) != 0;
        const bool inFolder = (flags & SHGDN_INFOLDER) != 0;
        switch (at.kind) {
        case Location::Desktop:
            name = parsing ? kDesktopParsingName : kDesktopName;
            return true;
        case Location::Computer:
            name = parsing ? kComputerParsingName : kComputerName;
            return true;
        case Location::Drive:
            if (parsing)
                name = at.path;
            else if (at.driveKind == 'R')
                name = kRootName;
            else if (at.driveKind == 'H')
                name = kHomeName;
            else
                name = LastComponent(at.path);
            return true;
        case Location::Item:
            name = parsing && !inFolder ? at.path : at.name;
            return true;
        default:
            name.clear();
            return false;
        }
    }

    int CompareIDs(PCItemIDList a, PCItemIDList b) override
    {
        PCItemIDList x = a;
        PCItemIDList y = b;
        while (x && y && ItemSize(x) != 0 && ItemSize(y) != 0) {
            const int order = CompareItems(x, y);
            if (order != 0)
                return order;
            x = NextItem(x);
            y = NextItem(y);
        }
        const bool xEnd = !x || ItemSize(x) == 0;
        const bool yEnd = !y || ItemSize(y) == 0;
        return xEnd == yEnd ? 0 : (xEnd ? -1 : 1);
    }

    std::string SortKey(PCItemIDList relative) override
    {
        if (!ItemValid(relative))
            return {};
        std::string key(1, static_cast<char>('0' + Rank(relative)));
        if (ItemKind(relative) == kDrive)
            key += FSpace->NameKey(ItemData(relative).substr(1));
        else if (ItemKind(relative) == kItem)
            key += FSpace->NameKey(ItemData(relative));
        return key;
    }

    bool SetNameOf(PCItemIDList relative, const std::string& name, TItemIdList& newRelative) override
    {
        const Location at = Walk(FSelf, relative);
        if (at.kind != Location::Item)
            return false;
        if (name.empty() || name == "." || name == ".." || name.size() > NAME_MAX ||
            name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
            return false;
        if (name == at.name)
            return false;
        const std::string target = JoinPath(at.path.substr(0, at.path.size() - at.name.size()), name);
        // Never replace what is already there under the new name.
        if (::renameat2(AT_FDCWD, at.path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL && errno != ENOSYS)
                return false;
            struct stat st {};
            if (::lstat(target.c_str(), &st) == 0 || ::rename(at.path.c_str(), target.c_str()) != 0)
                return false;
        }
        // The same list with its last item named anew.
        const PCItemIDList last = LastItem(relative);
        const TItemIdList parent(CopyParentIdList(relative));
        const TItemIdList item(MakeIdList(ItemPayload(kItem, ItemFlags(last), name)));
        newRelative = TItemIdList(ConcatIdLists(parent.get(), item.get()));
        return true;
    }

    bool ParseDisplayName(const std::string& path, TItemIdList& relative) override
    {
        if (FSelf.kind != Location::Desktop || path.empty() || path[0] != '/')
            return false;
        std::string normal = std::filesystem::path(path).lexically_normal().string();
        while (normal.size() > 1 && normal.back() == '/')
            normal.pop_back();
        if (!IsDirectory(normal))
            return false;
        // The drive holding the path most closely.
        TDrive best{'R', "/"};
        for (const TDrive& drive : FSpace->Drives())
            if (IsPathUnder(normal, drive.Path) && drive.Path.size() > best.Path.size())
                best = drive;
        TItemIdList list(MakeIdList(ItemPayload(kComputer, kFlagFolder, {})));
        list = TItemIdList(ConcatIdLists(
            list.get(), TItemIdList(MakeIdList(ItemPayload(kDrive, kFlagFolder, std::string(1, best.Kind) + best.Path)))
                            .get()));
        std::string rest = best.Path == "/" ? normal.substr(1) : normal.substr(std::min(normal.size(), best.Path.size() + 1));
        std::size_t start = 0;
        while (start < rest.size()) {
            std::size_t end = rest.find('/', start);
            if (end == std::string::npos)
                end = rest.size();
            TItemIdList item(MakeIdList(ItemPayload(kItem, kFlagFolder, rest.substr(start, end - start))));
            if (!item)
                return false;
            list = TItemIdList(ConcatIdLists(list.get(), item.get()));
            start = end + 1;
        }
        relative = std::move(list);
        return true;
    }

    std::string IconName(PCItemIDList relative, bool open) override
    {
        const Location at = Walk(FSelf, relative);
        switch (at.kind) {
        case Location::Desktop:
            return "user-desktop";
        case Location::Computer:
            return "computer";
        case Location::Drive:
            switch (at.driveKind) {
            case 'H':
                return "user-home";
            case 'V':
                return "drive-removable-media";
            case 'N':
                return "folder-remote";
            default:
                return "drive-harddisk";
            }
        case Location::Item:
            if (!at.folder)
                return "text-x-generic";
            return open ? "folder-open" : "folder";
        default:
            return {};
        }
    }

private:
    static int Rank(PCItemIDList item)
    {
        switch (ItemKind(item)) {
        case kComputer:
            return 0;
        case kDrive:
            return 1 + DriveRank(ItemData(item).empty() ? 0 : ItemData(item)[0]);
        default:
            // Folders before other items, as file managers list them.
            return (ItemFlags(item) & kFlagFolder) ? 5 : 6;
        }
    }

    int CompareItems(PCItemIDList x, PCItemIDList y) const
    {
        if (!ItemValid(x) || !ItemValid(y))
            return ItemValid(x) == ItemValid(y) ? 0 : (ItemValid(x) ? 1 : -1);
        const int rankX = Rank(x);
        const int rankY = Rank(y);
        if (rankX != rankY)
            return rankX < rankY ? -1 : 1;
        if (ItemKind(x) == kComputer)
            return 0;
        std::string_view a = ItemData(x);
        std::string_view b = ItemData(y);
        if (ItemKind(x) == kDrive) {
            a.remove_prefix(std::min<std::size_t>(1, a.size()));
            b.remove_prefix(std::min<std::size_t>(1, b.size()));
        }
        return FSpace->CompareNames(a, b);
    }

    bool EnumDirectory(unsigned flags, std::vector<TItemIdList>& items)
    {
        DIR* dir = FSpace->OpenDirectory(FSelf.path.c_str());
        if (!dir)
            return false;
        FSpace->RefreshShares();
        const int fd = ::dirfd(dir);
        std::vector<TItemIdList> found;
        for (;;) {
            // readdir tells an error from the end only through errno.
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry)
                break;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            if (name[0] == '.' && !(flags & SHCONTF_INCLUDEHIDDEN))
                continue;
            bool folder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                // A link counts as what it points to.
                struct stat st {};
                folder = ::fstatat(fd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
            }
            if (folder ? !(flags & SHCONTF_FOLDERS) : !(flags & SHCONTF_NONFOLDERS))
                continue;
            found.emplace_back(MakeIdList(ItemPayload(kItem, folder ? kFlagFolder : 0, name)));
        }
        const bool failed = errno != 0;
        ::closedir(dir);
        if (failed)
            return false;
        for (auto& item : found)
            items.push_back(std::move(item));
        return true;
    }

    std::shared_ptr<TLinuxNamespace> FSpace;
    Location FSelf;
};

std::mutex gNamespaceLock;
std::shared_ptr<TLinuxNamespace> gNamespace;

}  // namespace

std::shared_ptr<IShellFolder> TLinuxNamespace::DesktopFolder()
{
    Location desktop;
    desktop.kind = Location::Desktop;
    desktop.folder = true;
    return std::make_shared<TLinuxFolder>(shared_from_this(), desktop);
}

bool TLinuxNamespace::GetSpecialFolderLocation(int csidl, TItemIdList& absolute)
{
    if (csidl == CSIDL_DESKTOP) {
        absolute = TItemIdList::Empty();
        return true;
    }
    if (csidl == CSIDL_DRIVES) {
        absolute = TItemIdList(MakeIdList(ItemPayload(kComputer, kFlagFolder, {})));
        return true;
    }
    const std::string dataHome = EnvOr("XDG_DATA_HOME", FHome + "/.local/share");
    const std::string configHome = EnvOr("XDG_CONFIG_HOME", FHome + "/.config");
    std::string path;
    switch (csidl) {
    case 5:  // personal: the home folder, as Computer lists it
        if (FHome.size() <= 1 || !IsDirectory(FHome))
            return false;
        absolute = TItemIdList(ConcatIdLists(TItemIdList(MakeIdList(ItemPayload(kComputer, kFlagFolder, {}))).get(),
                                             TItemIdList(MakeIdList(ItemPayload(kDrive, kFlagFolder, "H" + FHome))).get()));
        return true;
    case 16:  // the desktop folder of the file system
        path = UserDir(FHome, "XDG_DESKTOP_DIR", "Desktop");
        break;
    case 21:
        path = UserDir(FHome, "XDG_TEMPLATES_DIR", "Templates");
        break;
    case 26:
        path = dataHome;
        break;
    case 20:
        path = "/usr/share/fonts";
        break;
    case 10:
        path = dataHome + "/Trash/files";
        break;
    case 7:
        path = configHome + "/autostart";
        break;
    case 24:
        path = "/etc/xdg/autostart";
        break;
    case 2:
    case 11:
        path = dataHome + "/applications";
        break;
    case 22:
    case 23:
        path = "/usr/share/applications";
        break;
    default:
        return false;
    }
    return DesktopFolder()->ParseDisplayName(path, absolute);
}

std::shared_ptr<TLinuxNamespace> CurrentNamespace()
{
    std::lock_guard lock(gNamespaceLock);
    if (!gNamespace)
        gNamespace = std::make_shared<TLinuxNamespace>();
    return gNamespace;
}

void SetCurrentNamespace(std::shared_ptr<TLinuxNamespace> value)
{
    std::lock_guard lock(gNamespaceLock);
    gNamespace = std::move(value);
}

std::shared_ptr<IShellFolder> GetDesktopFolder() { return CurrentNamespace()->DesktopFolder(); }

bool GetSpecialFolderLocation(int csidl, TItemIdList& absolute)
{
    return CurrentNamespace()->GetSpecialFolderLocation(csidl, absolute);
}

}  // namespace shell
