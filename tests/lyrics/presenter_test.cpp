#include <gtest/gtest.h>

#include "lyrics/presenter.h"

namespace {

using lyrics::LyricPresenter;

// Records: 0 title, 1 "two" (2 s), 2 "one" (1 s), 3 "和聲" (2 s, word times).
const char* kText = "[ti:Song]\n[00:02.00]two\n[00:01.00]one\n[00:02.00]<00:02.00>和<00:02.50>聲\n";

TEST(LyricPresenter, CurrentLinesAreFoundByRecordAndShownInTheirRows)
{
    LyricPresenter lyrics;
    lyrics.Load(kText, "song.lrc", 64);
    EXPECT_EQ(lyrics.Source(), "song.lrc");
    ASSERT_EQ(lyrics.Records().size(), 4u);
    EXPECT_EQ(lyrics.ShownText(3), "和聲");  // no word-time marks
    // The table sorts its rows otherwise than the file: rows of records 2, 1, 3, 0.
    lyrics.SetRowRecords({2, 1, 3, 0, 99});
    EXPECT_EQ(lyrics.RecordOfRow(0), 2u);
    EXPECT_EQ(lyrics.RecordOfRow(4), std::nullopt);  // no such record
    EXPECT_EQ(lyrics.RecordOfRow(-1), std::nullopt);
    EXPECT_EQ(lyrics.RowTime(1), 2000);
    EXPECT_EQ(lyrics.RowTime(3), std::nullopt);  // the title tag has no time

    EXPECT_FALSE(lyrics.MoveTo(500));  // before the first line: none, as before
    EXPECT_EQ(lyrics.StripAt(500), std::nullopt);
    EXPECT_TRUE(lyrics.MoveTo(1000));
    EXPECT_EQ(lyrics.CurrentRows(), std::vector<int>{0});
    EXPECT_FALSE(lyrics.MoveTo(1500));  // the same line
    EXPECT_EQ(lyrics.NextChange(1500), 500);

    // Lines that share a time show together in file order, with the words sung.
    EXPECT_TRUE(lyrics.MoveTo(2100));
    EXPECT_EQ(lyrics.Current()->time, 2000);
    EXPECT_EQ(lyrics.CurrentRows(), (std::vector<int>{1, 2}));
    const std::string two = std::string("two") + LyricPresenter::Separator;
    auto strip = lyrics.StripAt(2100);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->text, two + "和聲");
    using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;
    EXPECT_EQ(strip->sung, (Ranges{{two.size(), two.size() + 3}}));
    EXPECT_EQ(lyrics.NextChange(2100), 400);  // the next word
    EXPECT_EQ(lyrics.StripAt(2600)->sung.back().second, two.size() + 6);

    // A new text starts afresh.
    lyrics.Load("[00:05]x", "ID3v2 USLT", 64);
    EXPECT_EQ(lyrics.Current(), std::nullopt);
    EXPECT_EQ(lyrics.RecordOfRow(0), std::nullopt);
}

TEST(LyricPresenter, ShiftMovesTheLinesAndTheSeekTargetWithinItsLimits)
{
    LyricPresenter lyrics;
    lyrics.Load(kText, "", 2);  // shown texts cut to 2 bytes, never within a character
    EXPECT_EQ(lyrics.ShownText(1), "tw");
    EXPECT_EQ(lyrics.ShownText(3), "");
    lyrics.SetRowRecords({0, 1, 2, 3});
    lyrics.ShiftBy(300);  // earlier
    EXPECT_TRUE(lyrics.MoveTo(700));
    EXPECT_EQ(lyrics.Current()->time, 700);
    EXPECT_EQ(lyrics.RowTime(2), 1000);  // as the file gives it
    EXPECT_EQ(lyrics.RowPlayTime(2, 60000), 700);
    lyrics.ShiftBy(-2000);
    EXPECT_EQ(lyrics.RowPlayTime(2, 60000), 2700);
    EXPECT_EQ(lyrics.RowPlayTime(2, 1500), 1500);  // not past the song's end
    lyrics.ShiftBy(INT32_MAX);
    EXPECT_EQ(lyrics.Shift(), LyricPresenter::MaxShift);
    EXPECT_EQ(lyrics.RowPlayTime(2, 60000), 0);
    lyrics.Load(kText, "", 64);
    EXPECT_EQ(lyrics.Shift(), 0);
}

TEST(LyricPresenter, ANoticeHoldsTheStripAndGivesBackWhatItShowedFirst)
{
    LyricPresenter lyrics;
    lyrics.Load(kText, "", 64);
    lyrics.MoveTo(1000);
    lyrics.BeginNotice("one");
    lyrics.BeginNotice("notice");  // a second notice keeps the first text
    EXPECT_EQ(lyrics.StripAt(1000), std::nullopt);
    EXPECT_EQ(lyrics.EndNotice(), "one");
    EXPECT_EQ(lyrics.StripAt(1000)->text, "one");
}

}  // namespace
