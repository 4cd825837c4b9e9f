#include "lyrics/lrc.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "text/bytes.h"

namespace lyrics {

namespace {

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

constexpr std::int64_t kMaxMs = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMinMs = std::numeric_limits<std::int32_t>::min();

std::int32_t ClampMs(std::int64_t ms) { return static_cast<std::int32_t>(std::clamp(ms, kMinMs, kMaxMs)); }

void SkipSpaces(std::string_view& s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
}

// A run of decimal digits at the start of s, taken off it; its text.
std::string_view TakeDigits(std::string_view& s)
{
    std::size_t n = 0;
    while (n < s.size() && s[n] >= '0' && s[n] <= '9')
        ++n;
    const std::string_view digits = s.substr(0, n);
    s.remove_prefix(n);
    return digits;
}

// The value of a run of digits; nullopt past the range of a time.
std::optional<std::int64_t> Value(std::string_view digits)
{
    std::int64_t value = 0;
    for (const char c : digits) {
        value = value * 10 + (c - '0');
        if (value > kMaxMs)
            return std::nullopt;
    }
    return value;
}

// Digits after the point (or the second colon) as a fraction of a second in
// ms: "5" is 500, "05" 50, "123" 123; digits past the third are dropped.
std::int64_t FractionMs(std::string_view digits)
{
    std::int64_t ms = 0;
    for (std::size_t i = 0; i < 3; ++i)
        ms = ms * 10 + (i < digits.size() ? digits[i] - '0' : 0);
    return ms;
}

// The marks of word times in a line's text: "<time>" anywhere, and "[time]"
// once the text has begun. Sets `text` to the text less the marks and adds a
// word for each mark, `shift` added to its time.
void TakeWordMarks(std::string_view rest, std::int64_t shift, std::string& text, std::vector<WordTime>& words)
{
    text.clear();
    std::size_t i = 0;
    while (i < rest.size()) {
        const char open = rest[i];
        if (open == '<' || (open == '[' && !text.empty())) {
            const std::size_t close = rest.find(open == '<' ? '>' : ']', i + 1);
            if (close != std::string_view::npos) {
                if (const auto time = TagTime(rest.substr(i + 1, close - i - 1))) {
                    words.push_back({text.size(), ClampMs(*time + shift)});
                    i = close + 1;
                    continue;
                }
            }
        }
        text += open;
        ++i;
    }
}

}  // namespace

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

std::optional<std::int32_t> TagTime(std::string_view inside)
{
    // Numbers with the separators between them, spaces allowed around each.
    std::string_view numbers[4];
    char separators[3] = {};
    int count = 0;
    std::string_view s = inside;
    for (;;) {
        SkipSpaces(s);
        const std::string_view digits = TakeDigits(s);
        if (digits.empty())
            return std::nullopt;
        numbers[count++] = digits;
        SkipSpaces(s);
        if (s.empty())
            break;
        if ((s.front() != ':' && s.front() != '.') || count == 4)
            return std::nullopt;
        separators[count - 1] = s.front();
        s.remove_prefix(1);
    }
    const std::string pattern(separators, static_cast<std::size_t>(count - 1));
    std::int64_t hours = 0;
    std::string_view minutes, seconds, fraction;
    if (pattern == ":") {
        minutes = numbers[0], seconds = numbers[1];
    } else if (pattern == ":." || pattern == "::") {
        minutes = numbers[0], seconds = numbers[1], fraction = numbers[2];
    } else if (pattern == "::.") {
        const auto h = Value(numbers[0]);
        if (!h || numbers[1].size() > 2)
            return std::nullopt;
        hours = *h;
        minutes = numbers[1], seconds = numbers[2], fraction = numbers[3];
    } else {
        return std::nullopt;
    }
    const auto m = Value(minutes);
    const auto sec = Value(seconds);
    if (!m || !sec || seconds.size() > 2 || *sec > 59 || (hours > 0 && *m > 59))
        return std::nullopt;
    const std::int64_t ms = ((hours * 60 + *m) * 60 + *sec) * 1000 + FractionMs(fraction);
    if (ms > kMaxMs)
        return std::nullopt;
    return static_cast<std::int32_t>(ms);
}

std::optional<std::int32_t> TagOffset(std::string_view inside)
{
    std::string_view s = inside;
    SkipSpaces(s);
    constexpr std::string_view key = "offset";
    if (s.size() < key.size())
        return std::nullopt;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != key[i])
            return std::nullopt;
    s.remove_prefix(key.size());
    SkipSpaces(s);
    if (s.empty() || s.front() != ':')
        return std::nullopt;
    s.remove_prefix(1);
    SkipSpaces(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
        SkipSpaces(s);
    }
    const std::string_view digits = TakeDigits(s);
    SkipSpaces(s);
    const auto value = Value(digits);
    if (digits.empty() || !s.empty() || !value)
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? -*value : *value);
}

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
    const std::vector<std::string_view> lines = SplitLines(text);

    // The file's offset moves every line, wherever its tag stands.
    std::int64_t offset = 0;
    for (const std::string_view line : lines) {
        std::string_view rest = line;
        while (!rest.empty() && rest.front() == '[') {
            const std::size_t close = rest.find(']');
            if (close == std::string_view::npos)
                break;
            if (const auto found = TagOffset(rest.substr(1, close - 1)))
                offset = *found;
            rest.remove_prefix(close + 1);
        }
    }

    std::vector<LyricLine> records;
    for (const std::string_view line : lines) {
        // The rest of the line is walked by a view, and the text under a run of
        // leading tags is the same for each of them: found once, so a line of
        // many tags costs one pass, not one pass per tag.
        std::string_view rest = line;
        std::optional<std::string_view> tagText;
        // The first time tag of the line: word times are written for it, and
        // move with each other time tag of the line. Only a line with a time
        // has word marks; others keep their text as it is.
        std::optional<std::int32_t> firstTime;
        for (std::string_view tags = line; !tags.empty() && tags.front() == '[' && !firstTime;) {
            const std::size_t close = tags.find(']');
            if (close == std::string_view::npos)
                break;
            firstTime = TagTime(tags.substr(1, close - 1));
            tags.remove_prefix(close + 1);
        }
        std::string shownText;
        std::vector<WordTime> words;
        if (firstTime)
            TakeWordMarks(AfterLeadingTags(line), -offset, shownText, words);
        while (rest.find('[') != std::string_view::npos) {
            LyricLine record;
            record.ID = LyricKey(rest);
            const std::size_t close = rest.find(']');
            if (rest.front() != '[') {
                record.Desc = rest;  // no leading tag: the line as it is
                record.Text = std::string(rest);
            } else {
                if (!tagText)
                    tagText = AfterLeadingTags(rest);
                record.Desc = *tagText;
                record.Text = firstTime ? shownText : std::string(*tagText);
                const std::optional<std::int32_t> time =
                    close == std::string_view::npos ? std::nullopt : TagTime(rest.substr(1, close - 1));
                if (time) {
                    record.Time = ClampMs(*time - offset);
                    record.Words = words;
                    for (WordTime& word : record.Words)
                        word.time = ClampMs(std::int64_t{word.time} + *time - *firstTime);
                }
            }
            records.push_back(std::move(record));
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
