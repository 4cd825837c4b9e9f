#pragma once
// One idea of a song for every way one comes in (the folder scan, the
// program's argument, a drop, the desktop's open requests): a song is a file
// that is not a folder (links followed) whose name ends in ".mp3" in any
// case; a pipe or a device so named is listed too, and the media device
// refuses it when it is played. Its
// title is its file name less the extension; its lyric files lie beside it,
// named as the song with ".txt" or ".lrc".

#include <string>
#include <string_view>

namespace songs {

// The end of a song's file name, matched in any case.
inline constexpr std::string_view kSongSuffix = ".mp3";

// True when name ends in suffix, ASCII letters in any case.
bool EndsWithNoCase(std::string_view name, std::string_view suffix);
// True when the name (or path) ends as a song's does.
bool HasSongName(std::string_view name);
// True when path names an existing file that is not a folder.
bool FileExists(const std::string& path);
// True when path names a song: an existing file that is not a folder, with a
// song's name.
bool IsSongFile(const std::string& path);

// The file name part of a path: the text after the last "/".
std::string ExtractFileName(std::string_view path);
// s less its extension: the text from the last "." on, when no "/" follows
// that "."; s unchanged when it has no such ".".
std::string StripFileExt(std::string_view s);
// The title the song list and the window show for the song at path.
std::string Title(std::string_view path);

// The song's lyric file: the file beside it named as the song with ".txt";
// else with ".lrc", or when there is none, a file named the same but for the
// case of that extension (the first by byte order when there are several);
// "" when there is none.
std::string LyricFile(const std::string& songPath);

}  // namespace songs
