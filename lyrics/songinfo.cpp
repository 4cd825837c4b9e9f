#include "lyrics/songinfo.h"

#include <taglib/fileref.h>
#include <taglib/tag.h>

namespace lyrics {

SongInfo ReadSongInfo(const std::string& path)
{
    SongInfo info;
    const TagLib::FileRef file(path.c_str());
    if (file.isNull())
        return info;
    if (const TagLib::Tag* tag = file.tag()) {
        info.title = tag->title().to8Bit(true);
        info.artist = tag->artist().to8Bit(true);
        info.album = tag->album().to8Bit(true);
    }
    if (const TagLib::AudioProperties* audio = file.audioProperties())
        info.lengthMs = audio->lengthInMilliseconds();
    return info;
}

}  // namespace lyrics
