#include "lyrics/editor.h"
#include "lyrics/lrcwrite.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace lyrics {

namespace {

constexpr std::size_t kUndoDepth = 200;

bool Blank(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// The key of a tag's inside, lower case, up to its colon.
}  // namespace

std::string LyricTagKey(std::string_view inside)
{
    std::string key;
    for (const char c : inside.substr(0, inside.find(':')))
        if (c != ' ')
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

namespace {

std::int32_t Clamp(std::int64_t ms)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void LyricEditor::Load(std::string_view text, std::int32_t shiftMs)
{
    FLines.clear();
    FOtherTags.clear();
    const std::vector<std::string_view> lines = SplitLines(text);
    const std::int64_t offset = FileOffset(text);
    const std::int64_t shift = offset + std::int64_t{shiftMs};

    for (const std::string_view line : lines) {
        if (Blank(line))
            continue;
        bool timed = false;
        for (const LyricLine& record : ParseLyrics(line)) {
            if (!record.Time)
                continue;
            timed = true;
            EditorLine entry;
            entry.time = Clamp(*record.Time - shift);
            entry.text = record.Text;
            entry.words = record.Words;
            for (WordTime& word : entry.words)
                word.time = Clamp(word.time - shift);
            // With the group of the same time, if there is one.
            std::size_t at = FLines.size();
            for (std::size_t i = 0; i < FLines.size(); ++i)
                if (!FLines[i].joined && FLines[i].time == entry.time) {
                    at = Group(i).second;
                    entry.joined = true;
                    break;
                }
            FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
        }
        if (timed)
            continue;
        if (line.front() == '[' && Blank(AfterLeadingTags(line))) {
            const std::string key = LyricTagKey(line.substr(1, line.find(']') - 1));
            // The offset is in the times now.
            if (key != "offset")
                FOtherTags.emplace_back(line);
            continue;
        }
        EditorLine entry;
        entry.text = std::string(line);
        FLines.push_back(std::move(entry));
    }
    FCursor = 0;
    FWordCursor = 0;
    FUndo.clear();
    FRedo.clear();
    FModified = false;
}

void LyricEditor::SetCursor(std::size_t line)
{
    FCursor = line >= FLines.size() ? FLines.size() : Group(line).first;
    FWordCursor = 0;
}

std::pair<std::size_t, std::size_t> LyricEditor::Group(std::size_t line) const
{
    if (line >= FLines.size())
        return {FLines.size(), FLines.size()};
    std::size_t first = line;
    while (first > 0 && FLines[first].joined)
        --first;
    std::size_t last = line + 1;
    while (last < FLines.size() && FLines[last].joined)
        ++last;
    return {first, last};
}

void LyricEditor::Remember()
{
    FUndo.push_back({FLines, FCursor, FWordCursor});
    if (FUndo.size() > kUndoDepth)
        FUndo.erase(FUndo.begin());
    FRedo.clear();
    FModified = true;
}

void LyricEditor::SetGroupTime(std::size_t line, std::optional<std::int32_t> time)
{
    const auto [first, last] = Group(line);
    for (std::size_t i = first; i < last; ++i) {
        EditorLine& l = FLines[i];
        // Word times move with their line.
        if (l.time && time)
            for (WordTime& word : l.words)
                word.time = Clamp(std::int64_t{word.time} + *time - *l.time);
        if (!time)
            l.words.clear();
        l.time = time;
    }
}

void LyricEditor::Stamp(std::int32_t position)
{
    if (FCursor >= FLines.size())
        return;
    Remember();
    SetGroupTime(FCursor, Clamp(position));
    FCursor = NextGroup(FCursor);
    FWordCursor = 0;
}

std::optional<std::int32_t> LyricEditor::StepBack()
{
    FWordCursor = 0;
    if (FCursor == 0 || FLines.empty())
        return std::nullopt;
    FCursor = Group(FCursor - 1).first;
    const std::optional<std::int32_t> time = FLines[FCursor].time;
    if (!time)
        return std::nullopt;
    return std::max(0, *time - StepBackLeadMs);
}

void LyricEditor::Nudge(std::int32_t ms)
{
    if (FCursor >= FLines.size() || !FLines[FCursor].time)
        return;
    Remember();
    SetGroupTime(FCursor, Clamp(std::int64_t{*FLines[FCursor].time} + ms));
}

bool LyricEditor::TypeTime(std::string_view text)
{
    if (FCursor >= FLines.size())
        return false;
    std::optional<std::int32_t> time;
    if (!Blank(text)) {
        if (text.front() == '[' && text.back() == ']')
            text = text.substr(1, text.size() - 2);
        time = TagTime(text);
        if (!time)
            return false;
    }
    Remember();
    SetGroupTime(FCursor, time);
    return true;
}

std::vector<std::size_t> LyricEditor::WordStarts(std::string_view text)
{
    std::vector<std::size_t> starts;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t size = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (c == ' ' || c == '\t') {
            inWord = false;
        } else if (size >= 3) {
            // A character of the scripts written without spaces is a word.
            starts.push_back(i);
            inWord = false;
        } else if (!inWord) {
            starts.push_back(i);
            inWord = true;
        }
        i += size;
    }
    return starts;
}

void LyricEditor::StampWord(std::int32_t position)
{
    if (FCursor >= FLines.size())
        return;
    const std::vector<std::size_t> starts = WordStarts(FLines[FCursor].text);
    if (FWordCursor >= starts.size()) {
        // Nothing to stamp word by word: the line as a whole.
        Stamp(position);
        return;
    }
    Remember();
    EditorLine& line = FLines[FCursor];
    if (FWordCursor == 0 && !line.time)
        SetGroupTime(FCursor, Clamp(position));
    const std::size_t offset = starts[FWordCursor];
    std::erase_if(line.words, [&](const WordTime& w) { return w.offset == offset; });
    const auto at = std::find_if(line.words.begin(), line.words.end(),
                                 [&](const WordTime& w) { return w.offset > offset; });
    line.words.insert(at, WordTime{offset, Clamp(position)});
    if (++FWordCursor >= starts.size()) {
        FCursor = NextGroup(FCursor);
        FWordCursor = 0;
    }
}

void LyricEditor::InsertLine(std::size_t at, std::string text)
{
    Remember();
    at = std::min(at, FLines.size());
    EditorLine line;
    line.text = std::move(text);
    // A line put inside a group would split it: it goes after the group.
    if (at < FLines.size() && FLines[at].joined)
        at = Group(at).second;
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    FCursor = at;
    FWordCursor = 0;
}

void LyricEditor::RemoveLine(std::size_t line)
{
    if (line >= FLines.size())
        return;
    Remember();
    // A group's first line gone: the next takes its place in the group.
    if (!FLines[line].joined && line + 1 < FLines.size())
        FLines[line + 1].joined = false;
    FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(line));
    SetCursor(std::min(line, FLines.size()));
}

void LyricEditor::SetText(std::size_t line, std::string text)
{
    if (line >= FLines.size() || FLines[line].text == text)
        return;
    Remember();
    FLines[line].text = std::move(text);
    FLines[line].words.clear();
}

void LyricEditor::SetJoined(std::size_t line, bool joined)
{
    if (line == 0 || line >= FLines.size() || FLines[line].joined == joined)
        return;
    Remember();
    FLines[line].joined = joined;
    if (joined) {
        FLines[line].time = FLines[Group(line).first].time;
        FLines[line].words.clear();
    }
    SetCursor(FCursor);
}

bool LyricEditor::Undo() { return Restore(FUndo, FRedo); }

bool LyricEditor::Redo() { return Restore(FRedo, FUndo); }

bool LyricEditor::Restore(std::vector<State>& from, std::vector<State>& to)
{
    if (from.empty())
        return false;
    to.push_back({FLines, FCursor, FWordCursor});
    State state = std::move(from.back());
    from.pop_back();
    FLines = std::move(state.lines);
    FCursor = state.cursor;
    FWordCursor = state.wordCursor;
    FModified = true;
    return true;
}

}  // namespace lyrics
