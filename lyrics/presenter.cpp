#include "lyrics/presenter.h"

#include <algorithm>

#include "text/bytes.h"

namespace lyrics {

void LyricPresenter::Load(std::string text, std::string source, std::size_t shownBytes)
{
    FText = std::move(text);
    FSource = std::move(source);
    FRecords = ParseLyrics(FText);
    FShown.clear();
    for (const LyricLine& record : FRecords)
        FShown.emplace_back(text::CutBytes(record.Text, shownBytes));
    FClock = LyricClock(FRecords);
    FRecordOfRow.clear();
    FRowOfRecord.assign(FRecords.size(), -1);
    FCurrent.reset();
    FCurrentRows.clear();
}

void LyricPresenter::SetRowRecords(std::vector<std::size_t> recordOfRow)
{
    FRecordOfRow = std::move(recordOfRow);
    FRowOfRecord.assign(FRecords.size(), -1);
    for (std::size_t row = 0; row < FRecordOfRow.size(); ++row)
        if (FRecordOfRow[row] < FRowOfRecord.size())
            FRowOfRecord[FRecordOfRow[row]] = static_cast<int>(row);
}

std::optional<std::size_t> LyricPresenter::RecordOfRow(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= FRecordOfRow.size() || FRecordOfRow[row] >= FRecords.size())
        return std::nullopt;
    return FRecordOfRow[row];
}

std::optional<std::int32_t> LyricPresenter::RowTime(int row) const
{
    const std::optional<std::size_t> record = RecordOfRow(row);
    return record ? FClock.LineTime(*record) : std::nullopt;
}

std::optional<std::int32_t> LyricPresenter::RowPlayTime(int row, std::int32_t length) const
{
    const std::optional<std::int32_t> time = RowTime(row);
    if (!time)
        return std::nullopt;
    const std::int64_t shifted = std::int64_t{*time} - Shift();
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(shifted, 0, std::max(0, length)));
}

void LyricPresenter::ShiftBy(std::int32_t ms)
{
    const std::int64_t shift = std::clamp<std::int64_t>(std::int64_t{Shift()} + ms, -MaxShift, MaxShift);
    FClock.SetShift(static_cast<std::int32_t>(shift));
}

void LyricPresenter::SetShift(std::int32_t ms) { FClock.SetShift(std::clamp(ms, -MaxShift, MaxShift)); }

bool LyricPresenter::MoveTo(std::int32_t position)
{
    std::optional<LyricClock::Current> now = FClock.At(position);
    const bool changed = now.has_value() != FCurrent.has_value() || (now && now->records != FCurrent->records);
    if (!changed)
        return false;
    FCurrent = std::move(now);
    FCurrentRows.clear();
    if (FCurrent)
        for (const std::size_t record : FCurrent->records)
            if (FRowOfRecord[record] >= 0)
                FCurrentRows.push_back(FRowOfRecord[record]);
    return true;
}

std::optional<LyricPresenter::Strip> LyricPresenter::StripAt(std::int32_t position) const
{
    if (!FCurrent || FNoticeShown)
        return std::nullopt;
    Strip strip;
    for (const std::size_t record : FCurrent->records) {
        if (!strip.text.empty())
            strip.text += Separator;
        const std::size_t start = strip.text.size();
        strip.text += FShown[record];
        const std::size_t bytes = std::min(FClock.SungBytes(record, position), FShown[record].size());
        if (bytes > 0)
            strip.sung.emplace_back(start, start + bytes);
    }
    return strip;
}

void LyricPresenter::BeginNotice(const std::string& stripBefore)
{
    if (!FNoticeShown)
        FStripBeforeNotice = stripBefore;
    FNoticeShown = true;
}

std::string LyricPresenter::EndNotice()
{
    FNoticeShown = false;
    return FStripBeforeNotice;
}

}  // namespace lyrics
