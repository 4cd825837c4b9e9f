// The timing editor's model: taps, steps back, nudges, typed times, word
// stamps, lines that share a time, and undo.

#include <gtest/gtest.h>

#include "lyrics/editor.h"

namespace {

using lyrics::LyricEditor;

std::vector<std::optional<std::int32_t>> Times(const LyricEditor& e)
{
    std::vector<std::optional<std::int32_t>> times;
    for (const auto& line : e.Lines())
        times.push_back(line.time);
    return times;
}

std::vector<std::string> Texts(const LyricEditor& e)
{
    std::vector<std::string> texts;
    for (const auto& line : e.Lines())
        texts.push_back(line.text);
    return texts;
}

TEST(LyricEditor, PlainLyricsAreTimedByTappingAndStepBackSeeksBeforeTheLine)
{
    LyricEditor e;
    e.Load("first\r\n\r\nsecond\nthird\n");
    EXPECT_EQ(Texts(e), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_FALSE(e.Modified());
    e.Stamp(1000);
    e.Stamp(3500);
    EXPECT_EQ(e.Cursor(), 2u);
    // Up: back to the line before, and the place 2 s before it to play from.
    EXPECT_EQ(e.StepBack(), 1500);
    EXPECT_EQ(e.Cursor(), 1u);
    EXPECT_EQ(e.StepBack(), 0);  // never before the start
    EXPECT_EQ(e.StepBack(), std::nullopt);
    e.SetCursor(1);
    e.Stamp(3600);
    e.Stamp(5000);
    e.Stamp(9000);  // past the last line: nothing
    EXPECT_EQ(Times(e), (std::vector<std::optional<std::int32_t>>{1000, 3600, 5000}));
    EXPECT_EQ(e.Cursor(), 3u);
    EXPECT_TRUE(e.Modified());
    // A line not stamped yet: Up goes there, but there is no time to seek to.
    e.InsertLine(3, "fourth");
    e.SetCursor(4);
    EXPECT_EQ(e.Cursor(), 4u);
    EXPECT_EQ(e.StepBack(), std::nullopt);
    EXPECT_EQ(e.Cursor(), 3u);
}

TEST(LyricEditor, NudgesTypedTimesAndUndo)
{
    LyricEditor e;
    e.Load("[ti:x]\n[by:me]\n[offset:+500]\n[00:10.00]a\n[00:20.00]<00:20.00>b <00:21.00>c\n", 100);
    // The file's offset and the song's run-time offset are in the times.
    EXPECT_EQ(Times(e), (std::vector<std::optional<std::int32_t>>{9400, 19400}));
    EXPECT_EQ(e.OtherTags(), (std::vector<std::string>{"[ti:x]", "[by:me]"}));
    e.SetCursor(1);
    e.Nudge(100);
    e.Nudge(-10);
    e.Nudge(-10);
    EXPECT_EQ(e.Lines()[1].time, 19480);
    // Word times move with the line.
    ASSERT_EQ(e.Lines()[1].words.size(), 2u);
    EXPECT_EQ(e.Lines()[1].words[1].time, 20480);
    e.SetCursor(0);
    e.Nudge(-20000);
    EXPECT_EQ(e.Lines()[0].time, 0);
    EXPECT_FALSE(e.TypeTime("1:2:3:4"));
    EXPECT_TRUE(e.TypeTime("01:02.50"));
    EXPECT_EQ(e.Lines()[0].time, 62500);
    EXPECT_TRUE(e.TypeTime("[00:05.1]"));
    EXPECT_EQ(e.Lines()[0].time, 5100);
    EXPECT_TRUE(e.TypeTime(""));
    EXPECT_EQ(e.Lines()[0].time, std::nullopt);
    // Undone step by step to the loaded times, and done again.
    int undone = 0;
    while (e.Undo())
        ++undone;
    EXPECT_EQ(undone, 7);
    EXPECT_EQ(Times(e), (std::vector<std::optional<std::int32_t>>{9400, 19400}));
    EXPECT_TRUE(e.Redo());
    EXPECT_EQ(e.Lines()[1].time, 19500);
    // A new step after undo drops what could be redone.
    e.SetText(0, "A");
    EXPECT_FALSE(e.CanRedo());
    EXPECT_EQ(Texts(e), (std::vector<std::string>{"A", "b c"}));
    e.RemoveLine(0);
    EXPECT_EQ(Texts(e), (std::vector<std::string>{"b c"}));
    e.Undo();
    EXPECT_EQ(Texts(e), (std::vector<std::string>{"A", "b c"}));
}

TEST(LyricEditor, TranslationsSharingATimeStayTogether)
{
    LyricEditor e;
    // The translation stands apart in the file; it joins its line.
    e.Load("[00:01.00]Hello\n[00:02.00]Bye\n[00:01.00]你好\n[00:02.00]再見\n");
    EXPECT_EQ(Texts(e), (std::vector<std::string>{"Hello", "你好", "Bye", "再見"}));
    e.Stamp(1500);
    EXPECT_EQ(e.Cursor(), 2u);
    e.Nudge(10);
    EXPECT_EQ(Times(e), (std::vector<std::optional<std::int32_t>>{1500, 1500, 2010, 2010}));
    EXPECT_EQ(e.StepBack(), 0);
    EXPECT_EQ(e.Cursor(), 0u);
    // The cursor never stands on a translation; a line put there goes after it.
    e.SetCursor(1);
    EXPECT_EQ(e.Cursor(), 0u);
    e.InsertLine(1, "new");
    EXPECT_EQ(Texts(e), (std::vector<std::string>{"Hello", "你好", "new", "Bye", "再見"}));
    // The group's first line removed: its translation keeps the time, alone.
    e.RemoveLine(0);
    EXPECT_FALSE(e.Lines()[0].joined);
    EXPECT_EQ(e.Lines()[0].time, 1500);
    // A line made a translation takes its line's time.
    e.SetJoined(1, true);
    EXPECT_EQ(e.Lines()[1].time, 1500);
    EXPECT_EQ(e.Group(1), (std::pair<std::size_t, std::size_t>{0, 2}));
}

TEST(LyricEditor, WordStampsTimeEachWordAndThenMoveOn)
{
    EXPECT_EQ(LyricEditor::WordStarts("  hello big  world"), (std::vector<std::size_t>{2, 8, 13}));
    EXPECT_EQ(LyricEditor::WordStarts("我愛 you"), (std::vector<std::size_t>{0, 3, 7}));
    LyricEditor e;
    e.Load("我愛 you\nnext\n");
    e.StampWord(1000);  // the first word gives the line its time
    e.StampWord(1200);
    EXPECT_EQ(e.WordCursor(), 2u);
    e.StampWord(1700);
    EXPECT_EQ(e.Cursor(), 1u);
    EXPECT_EQ(e.WordCursor(), 0u);
    const auto& words = e.Lines()[0].words;
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(e.Lines()[0].time, 1000);
    EXPECT_EQ(words[1].offset, 3u);
    EXPECT_EQ(words[2].time, 1700);
    // Done again, a word's time replaces the old one.
    e.SetCursor(0);
    e.StampWord(900);
    EXPECT_EQ(e.Lines()[0].words.size(), 3u);
    EXPECT_EQ(e.Lines()[0].words[0].time, 900);
    EXPECT_EQ(e.Lines()[0].time, 1000);
    // Edited text loses the word times of the old words.
    e.SetText(0, "other");
    EXPECT_TRUE(e.Lines()[0].words.empty());
}

}  // namespace
