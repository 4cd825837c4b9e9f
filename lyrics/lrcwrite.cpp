#include "lyrics/lrcwrite.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace lyrics {

namespace {

[[noreturn]] void Fail(const std::string& path, int error)
{
    throw SaveError("Cannot write file \"" + path + "\". " + std::strerror(error));
}

// The folder of a path ("." for a bare name).
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes all bytes to fd; errno on failure.
bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            if (done == 0)
                errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return true;
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string ReadFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Fail(path, errno);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            Fail(path, error);
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

// A backup copy of path's bytes as backup, written as any save is.
void KeepBackup(const std::string& path, const std::string& backup)
{
    if (::access(backup.c_str(), F_OK) == 0)
        return;
    // A second name for the same bytes costs nothing; where the file system
    // has none, a copy.
    if (::link(path.c_str(), backup.c_str()) == 0)
        return;
    SaveFileAtomically(backup, ReadFile(path));
}

// Where the leading tags of each line stand: calls visit(start, end) for the
// bytes of each "[...]" at the start of a line, in file order.
template <class Visit>
void ForEachLeadingTag(std::string_view text, Visit visit)
{
    std::size_t lineStart = 0;
    while (lineStart <= text.size()) {
        std::size_t lineEnd = text.find_first_of("\r\n", lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        std::size_t at = lineStart;
        while (at < lineEnd && text[at] == '[') {
            const std::size_t close = text.find(']', at);
            if (close == std::string_view::npos || close > lineEnd)
                break;
            visit(at, close + 1);
            at = close + 1;
        }
        if (lineEnd == text.size())
            break;
        lineStart = lineEnd + 1;
    }
}

std::string OffsetTag(std::int32_t ms)
{
    return ms > 0 ? "[offset:+" + std::to_string(ms) + "]" : "[offset:" + std::to_string(ms) + "]";
}

}  // namespace

std::string LrcTime(std::int32_t ms)
{
    const std::int64_t hundredths = (std::max<std::int64_t>(ms, 0) + 5) / 10;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld.%02lld", static_cast<long long>(hundredths / 6000),
                  static_cast<long long>(hundredths / 100 % 60), static_cast<long long>(hundredths % 100));
    return buffer;
}

std::string WriteLrc(const std::vector<EditorLine>& lines, const std::vector<std::string>& otherTags,
                     const SongInfo& info)
{
    std::string out;
    const auto tag = [&](const char* key, const std::string& value) {
        if (!value.empty())
            out += std::string("[") + key + ":" + value + "]\n";
    };
    tag("ti", info.title);
    tag("ar", info.artist);
    tag("al", info.album);
    if (info.lengthMs > 0) {
        const std::int32_t seconds = info.lengthMs / 1000;
        char length[32];
        std::snprintf(length, sizeof length, "%02d:%02d", seconds / 60, seconds % 60);
        tag("length", length);
    }
    // The file's own [ti:] and the like stay where the song's tag says nothing.
    for (const std::string& other : otherTags) {
        const std::string key = LyricTagKey(std::string_view(other).substr(1, other.find(']') - 1));
        if ((key == "ti" && !info.title.empty()) || (key == "ar" && !info.artist.empty()) ||
            (key == "al" && !info.album.empty()) || (key == "length" && info.lengthMs > 0))
            continue;
        out += other + "\n";
    }
    for (const EditorLine& line : lines) {
        if (line.time)
            out += "[" + LrcTime(*line.time) + "]";
        std::size_t written = 0;
        for (const WordTime& word : line.words) {
            if (word.offset > line.text.size())
                continue;
            out.append(line.text, written, word.offset - written);
            out += "<" + LrcTime(word.time) + ">";
            written = word.offset;
        }
        out.append(line.text, written);
        out += '\n';
    }
    return out;
}

void SaveFileAtomically(const std::string& path, std::string_view bytes)
{
    const std::string folder = FolderOf(path);
    struct stat old {};
    const bool existed = ::stat(path.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode))
        Fail(path, EISDIR);
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        Fail(path, errno);
    const auto abandon = [&](int error) {
        ::close(fd);
        ::unlink(temp.c_str());
        Fail(path, error);
    };
    if (existed && ::fchmod(fd, old.st_mode & 07777) != 0)
        abandon(errno);
    if (!existed && ::fchmod(fd, 0644) != 0)
        abandon(errno);
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0)
        abandon(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail(path, error);
    }
    try {
        if (existed)
            KeepBackup(path, path + ".bak");
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail(path, error);
    }
    SyncFolder(folder);
}

std::int32_t FileOffset(std::string_view text)
{
    std::int32_t offset = 0;
    ForEachLeadingTag(text, [&](std::size_t start, std::size_t end) {
        if (const auto found = TagOffset(text.substr(start + 1, end - start - 2)))
            offset = *found;
    });
    return offset;
}

std::string WithLrcOffset(std::string_view bytes, std::int32_t ms)
{
    const auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (starts("\xFF\xFE") || starts("\xFE\xFF") || (bytes.size() >= 2 && (bytes[0] == 0 || bytes[1] == 0)))
        throw SaveError("The lyric file is in UTF-16 or UTF-32: its [offset:] is not written.");
    std::optional<std::pair<std::size_t, std::size_t>> last;
    ForEachLeadingTag(bytes, [&](std::size_t start, std::size_t end) {
        if (TagOffset(bytes.substr(start + 1, end - start - 2)))
            last = {start, end};
    });
    std::string out;
    if (last) {
        out.append(bytes.substr(0, last->first));
        out += OffsetTag(ms);
        out.append(bytes.substr(last->second));
        return out;
    }
    const std::size_t head = starts("\xEF\xBB\xBF") ? 3 : 0;
    const std::size_t eol = bytes.find_first_of("\r\n");
    std::string_view lineEnd = "\n";
    if (eol != std::string_view::npos && bytes[eol] == '\r')
        lineEnd = eol + 1 < bytes.size() && bytes[eol + 1] == '\n' ? "\r\n" : "\r";
    out.append(bytes.substr(0, head));
    out += OffsetTag(ms);
    out += lineEnd;
    out.append(bytes.substr(head));
    return out;
}

void WriteLrcOffset(const std::string& path, std::int32_t ms)
{
    const std::string bytes = ReadFile(path);
    const std::string changed = WithLrcOffset(bytes, ms);
    if (changed != bytes)
        SaveFileAtomically(path, changed);
}

}  // namespace lyrics
