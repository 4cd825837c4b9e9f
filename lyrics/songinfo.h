#pragma once
// What a song's tag says of it, for the tag lines of a lyric file.

#include <string>

#include "lyrics/lrcwrite.h"

namespace lyrics {

// Title, artist, album (trimmed) and length of the song at path, read with TagLib;
// empty fields (and length 0) for what the file does not tell.
SongInfo ReadSongInfo(const std::string& path);

}  // namespace lyrics
