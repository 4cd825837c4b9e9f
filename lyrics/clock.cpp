#include "lyrics/clock.h"

#include <algorithm>
#include <cstdint>

namespace lyrics {

LyricClock::LyricClock(const std::vector<LyricLine>& records)
{
    std::vector<std::size_t> timed;
    FWords.resize(records.size());
    FTextSize.resize(records.size());
    FLineTime.resize(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        FTextSize[i] = records[i].Text.size();
        if (!records[i].Time)
            continue;
        timed.push_back(i);
        FWords[i] = records[i].Words;
        FLineTime[i] = records[i].Time;
    }
    FTimedCount = timed.size();
    // Equal times keep file order.
    std::stable_sort(timed.begin(), timed.end(),
                     [&](std::size_t a, std::size_t b) { return *records[a].Time < *records[b].Time; });
    for (const std::size_t i : timed) {
        if (FGroups.empty() || FGroups.back().time != *records[i].Time)
            FGroups.push_back({*records[i].Time, {}});
        FGroups.back().records.push_back(i);
    }
}

std::ptrdiff_t LyricClock::GroupAt(std::int32_t position) const
{
    const auto after = std::upper_bound(FGroups.begin(), FGroups.end(), std::int64_t{position},
                                        [this](std::int64_t p, const Group& g) { return p < Shifted(g.time); });
    return (after - FGroups.begin()) - 1;
}

std::optional<LyricClock::Current> LyricClock::At(std::int32_t position) const
{
    const std::ptrdiff_t at = GroupAt(position);
    if (at < 0)
        return std::nullopt;
    const Group& group = FGroups[static_cast<std::size_t>(at)];
    const auto time = static_cast<std::int32_t>(std::clamp<std::int64_t>(Shifted(group.time), INT32_MIN, INT32_MAX));
    return Current{time, group.records};
}

std::optional<std::int32_t> LyricClock::NextChange(std::int32_t position) const
{
    const std::ptrdiff_t at = GroupAt(position);
    std::optional<std::int64_t> next;
    auto consider = [&](std::int64_t when) {
        if (when > position && (!next || when < *next))
            next = when;
    };
    if (at + 1 < static_cast<std::ptrdiff_t>(FGroups.size()))
        consider(Shifted(FGroups[static_cast<std::size_t>(at + 1)].time));
    if (at >= 0)
        for (const std::size_t record : FGroups[static_cast<std::size_t>(at)].records)
            for (const WordTime& word : FWords[record])
                consider(Shifted(word.time));
    if (!next)
        return std::nullopt;
    return static_cast<std::int32_t>(std::min<std::int64_t>(*next - position, INT32_MAX));
}

std::size_t LyricClock::SungBytes(std::size_t record, std::int32_t position) const
{
    if (record >= FWords.size())
        return 0;
    const std::vector<WordTime>& words = FWords[record];
    if (words.empty() || Shifted(*FLineTime[record]) > position)
        return 0;
    // Text before the first word is sung with the line.
    std::size_t sung = words.front().offset;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (Shifted(words[i].time) > position)
            continue;
        // A word ends where the next word begins, the last at the line's end.
        const std::size_t end = i + 1 < words.size() ? words[i + 1].offset : FTextSize[record];
        sung = std::max(sung, end);
    }
    return sung;
}

}  // namespace lyrics
