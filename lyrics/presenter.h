#pragma once
// What the window shows of a song's lyrics while it plays: the records of a
// lyric text, the lines current at a position and the table rows that hold
// them, the strip's text with the words sung, and when the next change comes.
// It knows no widget; the window applies what it says.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lyrics/clock.h"
#include "lyrics/lrc.h"

namespace lyrics {

class LyricPresenter {
public:
    // Between the texts of lines current together in the strip.
    static constexpr const char* Separator = "\u3000\u3000";
    // How far the run-time shift goes either way.
    static constexpr std::int32_t MaxShift = 600000;

    LyricPresenter() = default;
    // The records view the text it holds: it is neither copied nor moved.
    LyricPresenter(const LyricPresenter&) = delete;
    LyricPresenter& operator=(const LyricPresenter&) = delete;

    // Takes a song's lyric text and where it came from (a file's path, a tag
    // frame, a lyric service): its records, each shown cut to shownBytes
    // without splitting a character. No line is current and no record has a
    // row until SetRowRecords; the run-time shift is back to none.
    void Load(std::string text, std::string source, std::size_t shownBytes);
    // No lyrics, from nowhere.
    void Clear() { Load({}, {}, 0); }

    const std::string& Text() const { return FText; }
    const std::string& Source() const { return FSource; }
    // The records in the order of the text's lines; their views point into Text().
    const std::vector<LyricLine>& Records() const { return FRecords; }
    std::size_t TimedCount() const { return FClock.TimedCount(); }
    // What a record shows: its line less tags and word-time marks, cut.
    const std::string& ShownText(std::size_t record) const { return FShown.at(record); }

    // Where the records stand in the lyric table: the record in each row,
    // from the first row. Values past the records are no record.
    void SetRowRecords(std::vector<std::size_t> recordOfRow);
    std::optional<std::size_t> RecordOfRow(int row) const;
    // A row's record time as the file gives it (after its [offset:], before
    // the run-time shift); nullopt for an untimed record or no record.
    std::optional<std::int32_t> RowTime(int row) const;
    // The position that shows a row's record first, within 0..length.
    std::optional<std::int32_t> RowPlayTime(int row, std::int32_t length) const;

    // Moves every line by ms more at run time (positive: earlier); the whole
    // shift stays within MaxShift either way.
    void ShiftBy(std::int32_t ms);
    // Sets the whole shift, within MaxShift either way.
    void SetShift(std::int32_t ms);
    std::int32_t Shift() const { return FClock.Shift(); }

    // Makes the lines at position current; true when they are other lines
    // than before (a first line, or none any more, counts).
    bool MoveTo(std::int32_t position);
    // The current lines, none before the first timed line.
    const std::optional<LyricClock::Current>& Current() const { return FCurrent; }
    // The rows of the current lines, in file order: the first is where the
    // table's cursor goes.
    const std::vector<int>& CurrentRows() const { return FCurrentRows; }

    // The strip for the current lines at position: their texts joined by
    // Separator, and the byte ranges of the words sung.
    struct Strip {
        std::string text;
        std::vector<std::pair<std::size_t, std::size_t>> sung;
    };
    // nullopt while the strip keeps what it shows: before the first line, and
    // while a notice is up.
    std::optional<Strip> StripAt(std::int32_t position) const;

    // A notice over the strip holds it until EndNotice; the strip's text
    // before the first notice of a run is kept to be put back.
    void BeginNotice(const std::string& stripBefore);
    // Ends the notice: the text the strip showed before it.
    std::string EndNotice();
    bool NoticeShown() const { return FNoticeShown; }

    // Ms from position to the next change of lines or words; nullopt when
    // nothing changes any more.
    std::optional<std::int32_t> NextChange(std::int32_t position) const { return FClock.NextChange(position); }

private:
    std::string FText;
    std::string FSource;
    std::vector<LyricLine> FRecords;
    std::vector<std::string> FShown;
    LyricClock FClock;
    std::vector<std::size_t> FRecordOfRow;
    std::vector<int> FRowOfRecord;
    std::optional<LyricClock::Current> FCurrent;
    std::vector<int> FCurrentRows;
    bool FNoticeShown = false;
    std::string FStripBeforeNotice;
};

}  // namespace lyrics
