#pragma once
// Where a song's lyrics come from: the first source that has them wins.

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>

namespace lyrics {

// A song's lyric text, decoded to UTF-8 and cut at a NUL byte, and where it
// was found.
struct LyricText {
    std::string text;
    std::string source;  // the lyric file's full path, or "ID3v2 SYLT" / "ID3v2 USLT"
};

// Lyrics that were found but cannot be had: the file cannot be read, or the
// text is larger than the caller takes.
class LyricError : public std::runtime_error {
public:
    enum class Kind { CannotOpen, TooLarge };
    LyricError(Kind kind, std::string path, std::string reason = {});
    Kind kind;
    std::string path;    // the lyric file, or the song whose tag holds the text
    std::string reason;  // why a file cannot be opened, as the system says it
};

// The lyrics of the song at songPath, from the first of these that has them:
// the file beside it named as the song with ".txt"; the same with ".lrc" (in
// any case); a SYLT frame of the song's ID3v2 tag; a USLT frame of it (see
// lyrics/tag.h). nullopt when none has them.
// A lyric file that exists but cannot be read raises LyricError CannotOpen;
// a text larger than maxBytes once decoded raises LyricError TooLarge.
std::optional<LyricText> FindLyrics(const std::string& songPath, std::size_t maxBytes);

}  // namespace lyrics
