#pragma once
// Writing lyrics back: LRC text from the editor's lines, files saved so that
// a failure never leaves a half-written file, and the [offset:] tag of an
// existing file changed in place.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "lyrics/editor.h"

namespace lyrics {

// What the tag lines at the top of a written file say of the song.
struct SongInfo {
    std::string title;
    std::string artist;
    std::string album;
    std::int32_t lengthMs = 0;  // 0: unknown
};

// A time as an LRC tag writes it: "mm:ss.xx", minutes of two digits or more,
// rounded to the nearest hundredth of a second.
std::string LrcTime(std::int32_t ms);

// The LRC text of the lines: [ti:] [ar:] [al:] [length:] for what info has,
// the other tags kept (the file's own of those four where info has none), then one line "[mm:ss.xx]text" for each timed line with
// its word times as "<mm:ss.xx>" before their words; an untimed line is
// written as its text alone. Lines end with LF.
std::string WriteLrc(const std::vector<EditorLine>& lines, const std::vector<std::string>& otherTags,
                     const SongInfo& info);

// A file that could not be written; what() names the file and the reason.
class SaveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes bytes to path through a temporary file in the same folder, flushed
// to the disk, then renamed over path: path holds either its old bytes or all
// the new ones. The first time an existing file is replaced, its bytes are kept
// as path + ".bak" (an existing .bak is left alone). An existing file's
// permissions carry over. Raises SaveError; nothing is left behind then.
void SaveFileAtomically(const std::string& path, std::string_view bytes);

// The [offset:] of a lyric text (the last one counts, as the parser takes
// it); 0 when it has none.
std::int32_t FileOffset(std::string_view text);

// The bytes of a lyric file with its [offset:] set to ms: the tag in effect
// is rewritten where it stands, or a tag line is put first (after a byte-order
// mark), ending as the file's lines end. Every other byte stays. Raises
// SaveError for text in UTF-16 or UTF-32, which this does not write.
std::string WithLrcOffset(std::string_view bytes, std::int32_t ms);

// Reads the file at path and saves it with its [offset:] set to ms, as
// SaveFileAtomically saves (the first change keeps the old file as .bak).
void WriteLrcOffset(const std::string& path, std::int32_t ms);

}  // namespace lyrics
