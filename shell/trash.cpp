#include "shell/trash.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace shell {

namespace {

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

bool MakeFolder(const std::string& path, mode_t mode)
{
    if (::mkdir(path.c_str(), mode) == 0)
        return true;
    struct stat st {};
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const std::string& path, mode_t mode)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        if (!MakeFolder(path.substr(0, slash), mode))
            return false;
    return MakeFolder(path, mode);
}

std::string Parent(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The highest folder above path on the same file system (its mount point).
std::string TopFolder(const std::string& path, dev_t device)
{
    std::string top = path;
    while (top != "/") {
        const std::string up = Parent(top);
        struct stat st {};
        if (::stat(up.c_str(), &st) != 0 || st.st_dev != device)
            break;
        top = up;
    }
    return top;
}

// The trash of a file system's top folder, made if needed.
std::string TopTrash(const std::string& top)
{
    const std::string base = top == "/" ? "" : top;
    const std::string uid = std::to_string(getuid());
    const std::string shared = base + "/.Trash";
    struct stat st {};
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const std::string mine = shared + "/" + uid;
        if (MakeFolder(mine, 0700))
            return mine;
    }
    const std::string own = base + "/.Trash-" + uid;
    if (::mkdir(own.c_str(), 0700) == 0)
        return own;
    if (errno == EEXIST && ::lstat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid())
        return own;
    return {};
}

std::string Now()
{
    char text[32];
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool WriteAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string PercentEncodePath(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/') {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
    return out;
}

std::string HomeTrashFolder()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/')
        return std::string(data) + "/Trash";
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.local/share/Trash";
}

bool MoveToTrash(const std::string& path, std::string& error)
{
    struct stat item {};
    if (path.empty() || path[0] != '/' || ::lstat(path.c_str(), &item) != 0) {
        error = std::strerror(errno ? errno : ENOENT);
        return false;
    }
    if (path == "/") {
        error = std::strerror(EBUSY);
        return false;
    }
    // The home trash if it lives on the item's file system, else the top folder's.
    std::string trash = HomeTrashFolder();
    std::string infoPath = path;
    struct stat st {};
    const bool homeUsable = !trash.empty() && MakeFolders(trash + "/files", 0700) &&
                            MakeFolder(trash + "/info", 0700) && ::stat(trash.c_str(), &st) == 0 &&
                            st.st_dev == item.st_dev;
    if (!homeUsable) {
        const std::string top = TopFolder(Parent(path), item.st_dev);
        trash = TopTrash(top);
        if (trash.empty() || !MakeFolder(trash + "/files", 0700) || !MakeFolder(trash + "/info", 0700)) {
            error = "no trash on this file system";
            return false;
        }
        // Paths in a top folder's trash are relative to that folder.
        infoPath = top == "/" ? path.substr(1) : path.substr(top.size() + 1);
    }
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const std::string text = "[Trash Info]\nPath=" + PercentEncodePath(infoPath) + "\nDeletionDate=" + Now() + "\n";
    // A name is reserved by creating its info file, which is atomic; the item
    // then moves in without replacing anything left in files/ under that name.
    for (int n = 1; n < 10000; ++n) {
        const std::string entry = n == 1 ? name : name + "." + std::to_string(n);
        const std::string info = trash + "/info/" + entry + ".trashinfo";
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            error = std::strerror(errno);
            return false;
        }
        const bool written = WriteAll(fd, text);
        ::close(fd);
        errno = 0;
        if (written && ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, (trash + "/files/" + entry).c_str(),
                                   RENAME_NOREPLACE) == 0)
            return true;
        const int failure = errno ? errno : EIO;
        ::unlink(info.c_str());
        if (failure != EEXIST) {
            error = std::strerror(failure);
            return false;
        }
    }
    error = std::strerror(EEXIST);
    return false;
}

}  // namespace shell
