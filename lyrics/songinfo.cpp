#include "lyrics/songinfo.h"

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

SongInfo ReadSongInfo(const std::string& path)
{
    SongInfo info;
    const TagLib::FileRef file(path.c_str(), true, TagLib::AudioProperties::Average);
    if (file.isNull())
        return info;
    if (const TagLib::Tag* tag = file.tag()) {
        info.title = Trimmed(tag->title());
        info.artist = Trimmed(tag->artist());
        info.album = Trimmed(tag->album());
    }
    if (const TagLib::AudioProperties* audio = file.audioProperties())
        info.lengthMs = audio->lengthInMilliseconds();
    return info;
}

}  // namespace lyrics
