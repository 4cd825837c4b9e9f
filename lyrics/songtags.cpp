#include "lyrics/songtags.h"

#include <filesystem>
#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

namespace lyrics {

namespace {

std::string Trimmed(const TagLib::String& s)
{
    std::string out = s.to8Bit(true);
    const auto first = out.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return out.substr(first, out.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

SongTags ReadSongTags(const std::string& path)
{
    SongTags tags;
    const TagLib::FileRef file(path.c_str(), true, TagLib::AudioProperties::Average);
    if (!file.isNull() && file.tag()) {
        tags.title = Trimmed(file.tag()->title());
        tags.artist = Trimmed(file.tag()->artist());
        tags.album = Trimmed(file.tag()->album());
    }
    if (!file.isNull() && file.audioProperties())
        tags.lengthSec = (file.audioProperties()->lengthInMilliseconds() + 500) / 1000;
    if (tags.title.empty())
        tags.title = std::filesystem::path(path).stem().string();
    return tags;
}

}  // namespace lyrics
