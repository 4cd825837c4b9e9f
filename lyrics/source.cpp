#include "lyrics/source.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lyrics/tag.h"
#include "songs/song.h"
#include "text/decode.h"

namespace lyrics {

namespace {

[[noreturn]] void CannotOpen(const std::string& path, const char* reason)
{
    throw LyricError(LyricError::Kind::CannotOpen, path, reason);
}

// The whole file, or the error of a file that cannot be read. A file larger
// than maxBytes is not read at all; only regular files are read, so that a
// pipe or a device under the lyric file's name cannot stall the window.
std::string ReadLyricFile(const std::string& path, std::size_t maxBytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        CannotOpen(path, std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        CannotOpen(path, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        CannotOpen(path, "Not a regular file");
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        throw LyricError(LyricError::Kind::TooLarge, path);
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            CannotOpen(path, std::strerror(errno));
        if (got == 0)
            break;  // the file got shorter while it was read
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

// Decoded to UTF-8; a NUL byte ends the text.
std::string DecodeText(const std::string& bytes)
{
    std::string text = text::DecodeLyricText(bytes).text;
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    return text;
}

}  // namespace

LyricError::LyricError(Kind kind, std::string path, std::string reason)
    : std::runtime_error((kind == Kind::TooLarge ? "lyrics too large: " : "cannot open lyrics: ") + path),
      kind(kind),
      path(std::move(path)),
      reason(std::move(reason))
{
}

std::optional<LyricText> FindLyrics(const std::string& songPath, std::size_t maxBytes)
{
    const std::string path = songs::LyricFile(songPath);
    if (path.empty())
        return ReadTagLyrics(songPath, maxBytes);
    // Any encoding takes at most four bytes a character, so a file four times
    // the limit cannot fit once decoded and is not read at all.
    std::string text = DecodeText(ReadLyricFile(path, 4 * maxBytes));
    if (text.size() > maxBytes)
        throw LyricError(LyricError::Kind::TooLarge, path);
    return LyricText{std::move(text), path};
}

}  // namespace lyrics
