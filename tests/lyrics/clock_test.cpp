#include <gtest/gtest.h>

#include "lyrics/clock.h"

namespace {

using lyrics::LyricClock;
using lyrics::ParseLyrics;

std::vector<std::size_t> CurrentAt(const LyricClock& clock, int position)
{
    const auto current = clock.At(position);
    return current ? current->records : std::vector<std::size_t>{};
}

TEST(LyricClock, TheLastLineAtOrBeforeThePositionWhateverTheFileOrder)
{
    const std::string text = "[ti:x]\n[00:03.00]three\n[00:01.00]one\n[00:02.50]two\n";
    const LyricClock clock(ParseLyrics(text));
    EXPECT_EQ(clock.TimedCount(), 3u);
    EXPECT_EQ(clock.At(999), std::nullopt);
    EXPECT_EQ(CurrentAt(clock, 1000), (std::vector<std::size_t>{2}));
    EXPECT_EQ(CurrentAt(clock, 2499), (std::vector<std::size_t>{2}));
    EXPECT_EQ(CurrentAt(clock, 2500), (std::vector<std::size_t>{3}));
    EXPECT_EQ(CurrentAt(clock, 100000), (std::vector<std::size_t>{1}));
    EXPECT_EQ(clock.At(2600)->time, 2500);
    // The next change, from anywhere: at the next line, then never.
    EXPECT_EQ(clock.NextChange(0), 1000);
    EXPECT_EQ(clock.NextChange(1000), 1500);
    EXPECT_EQ(clock.NextChange(2800), 200);
    EXPECT_EQ(clock.NextChange(3000), std::nullopt);
    EXPECT_EQ(LyricClock().At(5000), std::nullopt);
    EXPECT_EQ(LyricClock().NextChange(0), std::nullopt);
}

TEST(LyricClock, LinesThatShareATimeAreCurrentTogetherInFileOrder)
{
    const LyricClock clock(ParseLyrics("[00:02.00]B\n[00:01.00]Hello\n[00:01.00]你好\n[00:01.00][00:02.00]Both\n"));
    EXPECT_EQ(CurrentAt(clock, 1500), (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(CurrentAt(clock, 2000), (std::vector<std::size_t>{0, 4}));
}

TEST(LyricClock, ShiftMovesLinesAndWords)
{
    LyricClock clock(ParseLyrics("[00:01.00]a\n[00:02.00]<00:02.00>b<00:02.50>c\n"));
    clock.SetShift(300);  // earlier
    EXPECT_EQ(CurrentAt(clock, 700), (std::vector<std::size_t>{0}));
    EXPECT_EQ(clock.At(700)->time, 700);
    EXPECT_EQ(clock.NextChange(700), 1000);
    EXPECT_EQ(clock.NextChange(1700), 500);  // the second word
    clock.SetShift(-300);  // later
    EXPECT_EQ(clock.At(1299), std::nullopt);
    EXPECT_EQ(clock.SungBytes(1, 2799), 1u);
    EXPECT_EQ(clock.SungBytes(1, 2800), 2u);
}

TEST(LyricClock, SungBytesFollowTheWordsOfALine)
{
    const auto lines = ParseLyrics("[00:10.00]Oh <00:10.20>Hel<00:10.50>lo <00:11.00>\n[00:20.00]plain\n");
    const LyricClock clock(lines);
    EXPECT_EQ(clock.SungBytes(0, 9999), 0u);
    EXPECT_EQ(clock.SungBytes(0, 10000), 3u);  // text before the first mark goes with the line
    EXPECT_EQ(clock.SungBytes(0, 10200), 6u);
    EXPECT_EQ(clock.SungBytes(0, 10499), 6u);
    EXPECT_EQ(clock.SungBytes(0, 10500), 9u);
    EXPECT_EQ(clock.SungBytes(0, 11000), lines[0].Text.size());
    EXPECT_EQ(clock.SungBytes(1, 30000), 0u);
    EXPECT_EQ(clock.NextChange(10000), 200);
    EXPECT_EQ(clock.NextChange(11000), 9000);
}

}  // namespace
