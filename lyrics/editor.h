#pragma once
// The model of the lyric timing editor: the lines of a song's lyrics with
// their times, the line the user times next, and the steps that can be
// undone. It knows no widget; the editor window shows it and sends it keys.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lyrics/lrc.h"

namespace lyrics {

struct EditorLine {
    std::optional<std::int32_t> time;  // ms; none until stamped
    std::string text;                  // without word marks
    std::vector<WordTime> words;       // word times by byte offset into text, in order
    // Shares the time of the line before it (a translation): the two are
    // timed, nudged and stepped over together.
    bool joined = false;
};

// The key of a tag's inside, in lower case and without spaces: "ti" for "ti:x".
std::string LyricTagKey(std::string_view inside);

class LyricEditor {
public:
    // How far before a line Up seeks.
    static constexpr std::int32_t StepBackLeadMs = 2000;

    // Takes a lyric text, timed or plain. Timed lines come with their file's
    // [offset:] applied and then shiftMs taken off (the song's own run-time
    // offset, so that the times are those at which the lines play); lines
    // sharing a time become one group; blank lines and the tags the writer
    // and the [offset:] tag (now in the times) are dropped, other tags kept.
    // Nothing to undo; not modified.
    void Load(std::string_view text, std::int32_t shiftMs = 0);

    const std::vector<EditorLine>& Lines() const { return FLines; }
    // Tag lines kept as they were ([by:], [re:], ...).
    const std::vector<std::string>& OtherTags() const { return FOtherTags; }

    // The line timed next (a group's first line); Lines().size() past the end.
    std::size_t Cursor() const { return FCursor; }
    void SetCursor(std::size_t line);
    // The lines of the group holding line: [first, last).
    std::pair<std::size_t, std::size_t> Group(std::size_t line) const;

    // Gives the cursor's group the time position and moves to the next group.
    void Stamp(std::int32_t position);
    // Moves the cursor to the group before it; the position to seek to (2 s
    // before that group's time, not below 0), nullopt when it has no time or
    // the cursor is at the first group.
    std::optional<std::int32_t> StepBack();
    // Moves the cursor group's time by ms (not below 0); no time, no change.
    void Nudge(std::int32_t ms);
    // Sets the cursor group's time from typed text ("mm:ss.xx" and the other
    // forms of a time tag; "" clears it); false when the text is no time.
    bool TypeTime(std::string_view text);

    // Word timing: the byte offsets where the words of a line start (after
    // spaces, and each CJK character on its own).
    static std::vector<std::size_t> WordStarts(std::string_view text);
    // The word of the cursor line stamped next.
    std::size_t WordCursor() const { return FWordCursor; }
    // Stamps the next word of the cursor line (its first word also gives the
    // group its time when it has none); after the last word the cursor moves
    // to the next group.
    void StampWord(std::int32_t position);

    void InsertLine(std::size_t at, std::string text);
    void RemoveLine(std::size_t line);
    // New text for a line: its word times go (they belong to the old words).
    void SetText(std::size_t line, std::string text);
    // Makes a line share the time of the line before it, or stand alone.
    void SetJoined(std::size_t line, bool joined);

    bool CanUndo() const { return !FUndo.empty(); }
    bool CanRedo() const { return !FRedo.empty(); }
    bool Undo();
    bool Redo();
    bool Modified() const { return FModified; }
    void MarkSaved() { FModified = false; }

private:
    struct State {
        std::vector<EditorLine> lines;
        std::size_t cursor = 0;
        std::size_t wordCursor = 0;
    };
    void Remember();
    // Goes back to the last state of `from`, keeping the present one in `to`
    // (undo and redo, each the other's way back).
    bool Restore(std::vector<State>& from, std::vector<State>& to);
    void SetGroupTime(std::size_t line, std::optional<std::int32_t> time);
    std::size_t NextGroup(std::size_t line) const { return Group(line).second; }

    std::vector<EditorLine> FLines;
    std::vector<std::string> FOtherTags;
    std::size_t FCursor = 0;
    std::size_t FWordCursor = 0;
    std::vector<State> FUndo;
    std::vector<State> FRedo;
    bool FModified = false;
};

}  // namespace lyrics
