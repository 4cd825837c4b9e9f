#include "lyrics/lrc.h"

#include <optional>

#include "text/bytes.h"

namespace lyrics {

namespace {

// Lines end at CR, LF or CR LF.
std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// The key of a tag: five bytes from the line's second byte. When the line
// begins with a character of several bytes, the key starts after it, so it
// never holds part of a character.
std::string LyricKey(std::string_view line)
{
    std::string_view rest = line.substr(1);
    while (!rest.empty() && (static_cast<unsigned char>(rest.front()) & 0xC0) == 0x80)
        rest.remove_prefix(1);
    return std::string(text::CutBytes(rest, 5));
}

}  // namespace

std::string_view AfterLeadingTags(std::string_view line)
{
    while (!line.empty() && line.front() == '[') {
        const std::size_t close = line.find(']');
        if (close == std::string_view::npos)
            break;
        line.remove_prefix(close + 1);
    }
    return line;
}

std::vector<LyricLine> ParseLyrics(std::string_view text)
{
    std::vector<LyricLine> records;
    for (const std::string_view line : SplitLines(text)) {
        // The rest of the line is walked by a view, and the text under a run of
        // leading tags is the same for each of them: found once, so a line of
        // many tags costs one pass, not one pass per tag.
        std::string_view rest = line;
        std::optional<std::string_view> tagText;
        while (rest.find('[') != std::string_view::npos) {
            LyricLine record;
            record.ID = LyricKey(rest);
            if (rest.front() != '[') {
                record.Desc = rest;  // no leading tag: the line as it is
            } else {
                if (!tagText)
                    tagText = AfterLeadingTags(rest);
                record.Desc = *tagText;
            }
            records.push_back(std::move(record));
            const std::size_t close = rest.find(']');
            if (close == std::string_view::npos)
                break;  // an unclosed tag: nothing more to take from this line
            rest.remove_prefix(close + 1);
            if (rest.empty() || rest.front() != '[')
                break;
        }
    }
    return records;
}

}  // namespace lyrics

std::string StripTimeTags(std::string_view line) { return std::string(lyrics::AfterLeadingTags(line)); }
