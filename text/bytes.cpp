#include "text/bytes.h"

namespace text {

namespace {

// Length of the UTF-8 sequence starting at s[i], or 1 for a byte that starts
// no valid sequence.
std::size_t Utf8Length(std::string_view s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t length = 1;
    if (c >= 0xC2 && c <= 0xDF)
        length = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        length = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        length = 4;
    if (length == 1 || i + length > s.size())
        return 1;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    return length;
}

}  // namespace

std::string_view CutBytes(std::string_view s, std::size_t maxBytes)
{
    if (s.size() <= maxBytes)
        return s;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t length = Utf8Length(s, i);
        if (i + length > maxBytes)
            break;
        i += length;
    }
    return s.substr(0, i);
}

std::size_t LastDelimiter(std::string_view delimiters, std::string_view s, CodePage page)
{
    if (page == CodePage::Utf8) {
        // Every byte stands for itself here, so the last one found from the
        // end is the answer.
        for (std::size_t i = s.size(); i > 0; --i)
            for (const char delimiter : delimiters)
                if (s[i - 1] == delimiter)
                    return i;
        return 0;
    }
    // Big5: from the start, so that a trail byte is never taken for a delimiter.
    std::size_t found = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (delimiters.find(static_cast<char>(c)) != std::string_view::npos)
            found = i + 1;
        if (IsBig5LeadByte(c) && i + 1 < s.size())
            i += 2;  // the trail byte is part of this character
        else
            ++i;
    }
    return found;
}

}  // namespace text
