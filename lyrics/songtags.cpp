#include "lyrics/songtags.h"

#include <filesystem>

#include "lyrics/songinfo.h"

namespace lyrics {

SongTags ReadSongTags(const std::string& path)
{
    const SongInfo info = ReadSongInfo(path);
    SongTags tags{info.title, info.artist, info.album, (info.lengthMs + 500) / 1000};
    if (tags.title.empty())
        tags.title = std::filesystem::path(path).stem().string();
    return tags;
}

}  // namespace lyrics
