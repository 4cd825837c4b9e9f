#pragma once
// The lines of a lyric text, the tags at their starts, and their times.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lyrics {

// A word of a line with a time of its own (enhanced LRC): it starts at byte
// `offset` of the line's Text and is sung from `time` ms on.
struct WordTime {
    std::size_t offset = 0;
    std::int32_t time = 0;
};

// One record of the lyric table: a tag at the start of a line.
struct LyricLine {
    std::string ID;    // the tag's key: five bytes from the line's second byte
    std::string_view Desc;  // the line less its leading tags, within the text parsed
    // The tag's time in ms after the file's [offset:], when the tag is a time tag.
    std::optional<std::int32_t> Time;
    // What is shown of the line: Desc less its word-time marks.
    std::string Text;
    // The line's word times, in the order of their words (empty for most lines).
    std::vector<WordTime> Words;
};

// The lines of a text, which end at CR, LF or CR LF; a last line without an
// end counts, an empty text has none. The lines view the text.
std::vector<std::string_view> SplitLines(std::string_view text);

// The records of a lyric text, in the order of its lines: one for each tag at
// the start of a line. Lines end at CR, LF or CR LF. The records view the
// text, which must outlive them.
std::vector<LyricLine> ParseLyrics(std::string_view text);

// The time in ms that a tag's inside (the text between "[" and "]") gives:
// mm:ss, mm:ss.x to mm:ss.xxx (a decimal fraction of a second), minutes of
// any number of digits, mm:ss:xx (a colon before the fraction) and
// h:mm:ss.xx; spaces around the numbers are allowed. nullopt for any other tag.
std::optional<std::int32_t> TagTime(std::string_view inside);

// The [offset:N] of a tag's inside, in ms (key in any case, an optional sign,
// spaces allowed); nullopt for any other tag. A positive offset shows the
// lines earlier.
std::optional<std::int32_t> TagOffset(std::string_view inside);

// The line less its leading tags: while it begins with "[" and holds a "]",
// everything through the first "]" goes. Leading spaces of the rest stay.
std::string_view AfterLeadingTags(std::string_view line);

}  // namespace lyrics

// AfterLeadingTags, as a string of its own.
std::string StripTimeTags(std::string_view line);
