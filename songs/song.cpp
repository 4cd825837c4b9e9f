#include "songs/song.h"

#include <dirent.h>
#include <sys/stat.h>

#include "text/bytes.h"

namespace songs {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The ".lrc" file of the song whose path less its extension is stem.
std::string LrcFile(const std::string& stem)
{
    const std::string exact = stem + ".lrc";
    if (FileExists(exact))
        return exact;
    const std::size_t slash = stem.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : stem.substr(0, slash + 1);
    const std::string base = stem.substr(slash == std::string::npos ? 0 : slash + 1) + ".";
    DIR* folder = ::opendir(dir.c_str());
    if (!folder)
        return {};
    std::string best;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name.size() != base.size() + 3 || !name.starts_with(base) || !EndsWithNoCase(name, ".lrc"))
            continue;
        const std::string path = (slash == std::string::npos ? "" : dir) + std::string(name);
        if ((best.empty() || path < best) && FileExists(path))
            best = path;
    }
    ::closedir(folder);
    return best;
}

}  // namespace

bool EndsWithNoCase(std::string_view name, std::string_view suffix)
{
    if (name.size() < suffix.size())
        return false;
    const std::size_t start = name.size() - suffix.size();
    for (std::size_t i = 0; i < suffix.size(); ++i)
        if (Lower(name[start + i]) != Lower(suffix[i]))
            return false;
    return true;
}

bool HasSongName(std::string_view name) { return EndsWithNoCase(name, kSongSuffix); }

bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsSongFile(const std::string& path) { return HasSongName(path) && FileExists(path); }

std::string ExtractFileName(std::string_view path)
{
    const std::size_t at = text::LastDelimiter("/", path);
    return std::string(path.substr(at));
}

std::string StripFileExt(std::string_view s)
{
    const std::size_t at = text::LastDelimiter("./", s);
    if (at > 0 && s[at - 1] == '.')
        return std::string(s.substr(0, at - 1));
    return std::string(s);
}

std::string Title(std::string_view path) { return StripFileExt(ExtractFileName(path)); }

std::string LyricFile(const std::string& songPath)
{
    const std::string stem = StripFileExt(songPath);
    const std::string text = stem + ".txt";
    if (FileExists(text))
        return text;
    return LrcFile(stem);
}

}  // namespace songs
