#include <gtest/gtest.h>

#include "lyrics/lrc.h"

namespace {

using lyrics::ParseLyrics;
using lyrics::TagOffset;
using lyrics::TagTime;

TEST(Lrc, StripTimeTagsRemovesOnlyLeadingTags)
{
    EXPECT_EQ(StripTimeTags("[00:12.34]Hello"), "Hello");
    EXPECT_EQ(StripTimeTags("[00:12.34][01:05.00]Hello"), "Hello");
    EXPECT_EQ(StripTimeTags("[00:12]"), "");
    EXPECT_EQ(StripTimeTags("[00:12] spaced"), " spaced");
    EXPECT_EQ(StripTimeTags("abc[00:12]def"), "abc[00:12]def");
    EXPECT_EQ(StripTimeTags("[00:12"), "[00:12");
    EXPECT_EQ(StripTimeTags("[a]x[b]"), "x[b]");
}

TEST(Lrc, TimeTagFormsGiveTheirMilliseconds)
{
    EXPECT_EQ(TagTime("00:12"), 12000);
    EXPECT_EQ(TagTime("00:12.8"), 12800);
    EXPECT_EQ(TagTime("00:12.80"), 12800);
    EXPECT_EQ(TagTime("00:12.05"), 12050);
    EXPECT_EQ(TagTime("00:12.345"), 12345);
    EXPECT_EQ(TagTime("00:12.3456"), 12345);  // past a millisecond: dropped
    EXPECT_EQ(TagTime("1:02.00"), 62000);
    EXPECT_EQ(TagTime("100:00.00"), 6000000);
    EXPECT_EQ(TagTime("00:12:34"), 12340);  // a colon before the fraction
    EXPECT_EQ(TagTime("1:02:03.50"), 3723500);
    EXPECT_EQ(TagTime(" 00 : 12.34 "), 12340);
    EXPECT_EQ(TagTime("00:59.99"), 59990);

    for (const char* notATime : {"ti:Song", "ar:Someone", "by:", "length:03:20", "offset:500", "", "12",
                                 "00:60", "00:123", "1:60:00.00", "00:12.", "00:12.34.56", "00-12", "0 0:12",
                                 "-00:12", "99999999999:00", "00:12x"})
        EXPECT_EQ(TagTime(notATime), std::nullopt) << notATime;
}

TEST(Lrc, OffsetTagsInAnyCaseWithEitherSign)
{
    EXPECT_EQ(TagOffset("offset:500"), 500);
    EXPECT_EQ(TagOffset("OFFSET:-250"), -250);
    EXPECT_EQ(TagOffset("Offset: +500"), 500);
    EXPECT_EQ(TagOffset(" offset : - 40 "), -40);
    for (const char* other : {"offset:", "offset:+", "offset:1.5", "offsets:5", "off:5", "00:12", "offset 5"})
        EXPECT_EQ(TagOffset(other), std::nullopt) << other;
}

// (ID, time or -1, shown text) of each record.
struct Row {
    std::string id;
    int time;
    std::string text;
    bool operator==(const Row&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.id << "|" << r.time << "|" << r.text; }

std::vector<Row> Rows(std::string_view text)
{
    std::vector<Row> rows;
    for (const auto& line : ParseLyrics(text))
        rows.push_back({line.ID, line.Time ? *line.Time : -1, line.Text});
    return rows;
}

TEST(Lrc, RecordsKeepTheirKeysAndTextsAndCarryTheirTimes)
{
    EXPECT_EQ(Rows("[ti:Road]\r\n[00:12.34][01:05.00]Twice\n[1:02.00]x\nabc[00:15]def\n[00:16\n[00:17][oops\nHello"),
              (std::vector<Row>{{"ti:Ro", -1, ""},
                                {"00:12", 12340, "Twice"},
                                {"01:05", 65000, "Twice"},
                                {"1:02.", 62000, "x"},
                                {"bc[00", -1, "abc[00:15]def"},
                                {"00:16", -1, "[00:16"},
                                {"00:17", 17000, "[oops"},
                                {"oops", -1, "[oops"}}));
    // Desc stays the line less its leading tags, as it always was.
    const auto lines = ParseLyrics("[00:01]<00:01.50>a\n");
    EXPECT_EQ(lines[0].Desc, "<00:01.50>a");
}

TEST(Lrc, OffsetMovesEveryLineWhereverItStands)
{
    // A positive offset shows the lines earlier; a line may come before 0.
    EXPECT_EQ(Rows("[00:01.00]a\n[offset:+500]\n[00:00.20]b\n"),
              (std::vector<Row>{{"00:01", 500, "a"}, {"offse", -1, ""}, {"00:00", -300, "b"}}));
    EXPECT_EQ(Rows("[OFFSET:-250][00:01.00]a\n"), (std::vector<Row>{{"OFFSE", -1, "a"}, {"00:01", 1250, "a"}}));
}

TEST(Lrc, WordMarksAreTakenOutAndTimeTheWords)
{
    auto lines = ParseLyrics("[offset:100]\n[00:10.00]<00:10.00>Hel<00:10.50>lo [00:11.00]world<00:12.00>\n"
                             "[00:20.00][00:30.00]Hi <00:20.40>you\n"
                             "abc[x]<00:01.00>def\n[00:05.00]a<b>c<1:2>\n");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1].Text, "Hello world");
    EXPECT_EQ(lines[1].Time, 9900);
    ASSERT_EQ(lines[1].Words.size(), 4u);
    EXPECT_EQ(lines[1].Words[1].offset, 3u);
    EXPECT_EQ(lines[1].Words[1].time, 10400);
    EXPECT_EQ(lines[1].Words[2].offset, 6u);
    EXPECT_EQ(lines[1].Words[3].offset, 11u);  // the end of the last word
    EXPECT_EQ(lines[1].Words[3].time, 11900);
    // The second tag of a line sings its words as much later.
    EXPECT_EQ(lines[2].Words.at(0).time, 20300);
    EXPECT_EQ(lines[3].Words.at(0).time, 30300);
    EXPECT_EQ(lines[3].Text, "Hi you");
    // An untimed line keeps its marks; marks that are no times stay text.
    EXPECT_EQ(lines[4].Text, "abc[x]<00:01.00>def");
    EXPECT_TRUE(lines[4].Words.empty());
    EXPECT_EQ(lines[5].Text, "a<b>c");
    ASSERT_EQ(lines[5].Words.size(), 1u);
}

}  // namespace
