#pragma once
// The lines of a lyric text and the tags at their starts.

#include <string>
#include <string_view>
#include <vector>

namespace lyrics {

// One record of the lyric table: a tag at the start of a line.
struct LyricLine {
    std::string ID;    // the tag's key: five bytes from the line's second byte
    std::string_view Desc;  // the line less its leading tags, within the text parsed
};

// The records of a lyric text, in the order of its lines: one for each tag at
// the start of a line. Lines end at CR, LF or CR LF. The records view the
// text, which must outlive them.
std::vector<LyricLine> ParseLyrics(std::string_view text);

// The line less its leading tags: while it begins with "[" and holds a "]",
// everything through the first "]" goes. Leading spaces of the rest stay.
std::string_view AfterLeadingTags(std::string_view line);

}  // namespace lyrics

// AfterLeadingTags, as a string of its own.
std::string StripTimeTags(std::string_view line);
