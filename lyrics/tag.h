#pragma once
// Lyrics kept in an MP3 file's ID3v2 tag, read with TagLib.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "lyrics/source.h"

namespace lyrics {

// The sources of lyrics found in a tag, as LyricText::source names them.
inline constexpr const char* kSyltSource = "ID3v2 SYLT";
inline constexpr const char* kUsltSource = "ID3v2 USLT";

// The lyrics in the ID3v2 tag at the start of the MP3 file at path: the first
// SYLT frame whose content is lyrics, written as LRC text (one line
// "[mm:ss.xx]text" for each lyric line; syllables joined into lines), or else
// the text of the first USLT frame that has one. Text in a Latin-1 frame is
// taken for the bytes of a lyric file and decoded as one is; UTF-8 and UTF-16
// text is taken as it is. nullopt when the file has no such frame, no tag, or
// cannot be read: a damaged tag gives what TagLib can read of it.
// A frame or text too large for maxBytes raises LyricError TooLarge (with
// the song's path; none for bytes in memory).
std::optional<LyricText> ReadTagLyrics(const std::string& path, std::size_t maxBytes);

// The same for the bytes of an MP3 file held in memory.
std::optional<LyricText> ReadTagLyricsFromBytes(std::string_view mp3, std::size_t maxBytes);

}  // namespace lyrics
