#pragma once
// Which lyric lines are current at a playing position, and when the next
// change comes: the next line, or the next word of a current line.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "lyrics/lrc.h"

namespace lyrics {

class LyricClock {
public:
    LyricClock() = default;
    // The timed records among `records` (indices into it), whatever order
    // their times come in.
    explicit LyricClock(const std::vector<LyricLine>& records);

    // Moves every line by ms at run time, as the file's [offset:] does: a
    // positive shift shows the lines earlier.
    void SetShift(std::int32_t ms) { FShift = ms; }
    std::int32_t Shift() const { return FShift; }

    // The lines current at a position: every record of the latest time at
    // or before it (lines that share a time are current together), in file
    // order; empty before the first timed line.
    struct Current {
        std::int32_t time = 0;         // the lines' time with the shift
        std::vector<std::size_t> records;
    };
    std::optional<Current> At(std::int32_t position) const;

    // Ms from position to the next change (a later line's time, or a later
    // word of a current line); nullopt when nothing changes any more.
    std::optional<std::int32_t> NextChange(std::int32_t position) const;

    // How many bytes of a record's Text have been sung at position: through
    // the end of the latest word begun (0 for a line without word times).
    std::size_t SungBytes(std::size_t record, std::int32_t position) const;

    // Records with a time.
    std::size_t TimedCount() const { return FTimedCount; }

    // A record's time as the file gives it (after its [offset:], before the
    // shift); nullopt for an untimed record or one past the end.
    std::optional<std::int32_t> LineTime(std::size_t record) const
    {
        return record < FLineTime.size() ? FLineTime[record] : std::nullopt;
    }

private:
    struct Group {
        std::int32_t time = 0;  // before the shift
        std::vector<std::size_t> records;
    };
    std::int64_t Shifted(std::int32_t time) const { return std::int64_t{time} - FShift; }
    // The index of the current group, -1 before the first.
    std::ptrdiff_t GroupAt(std::int32_t position) const;

    std::vector<Group> FGroups;  // by time
    // Each record's words (times before the shift) and text size.
    std::vector<std::vector<WordTime>> FWords;
    std::vector<std::size_t> FTextSize;
    std::vector<std::optional<std::int32_t>> FLineTime;
    std::size_t FTimedCount = 0;
    std::int32_t FShift = 0;
};

}  // namespace lyrics
