#pragma once
// The names and length of a song as its tags give them, read with TagLib.

#include <string>

namespace lyrics {

struct SongTags {
    std::string title;   // the file's name less its extension when the tag has none
    std::string artist;
    std::string album;
    int lengthSec = 0;   // to the nearest second; 0 when TagLib cannot tell
};

SongTags ReadSongTags(const std::string& path);

}  // namespace lyrics
