#include <gtest/gtest.h>

#include "text/bytes.h"

using text::CodePage;
using text::CutBytes;
using text::LastDelimiter;

TEST(CutBytes, NeverSplitsACharacter)
{
    // "歌詞" is two 3-byte characters.
    EXPECT_EQ(CutBytes("歌詞", 6), "歌詞");
    EXPECT_EQ(CutBytes("歌詞", 5), "歌");
    EXPECT_EQ(CutBytes("歌詞", 3), "歌");
    EXPECT_EQ(CutBytes("歌詞", 2), "");
    EXPECT_EQ(CutBytes("ab歌", 4), "ab");
    EXPECT_EQ(CutBytes("abcdef", 4), "abcd");
    // A 45-byte Latin title cut to 40 keeps 40 bytes.
    EXPECT_EQ(CutBytes(std::string(45, 'x'), 40).size(), 40u);
    // Invalid bytes count one each and are kept as they are.
    EXPECT_EQ(CutBytes("a\xff\xfe" "b", 3), "a\xff\xfe");
    // A truncated sequence at the end is a single byte character, kept whole.
    EXPECT_EQ(CutBytes("ab\xe6\xad", 3), "ab\xe6");
}

TEST(LastDelimiter, FindsTheLastDelimiterOneBased)
{
    EXPECT_EQ(LastDelimiter("/", "/home/user/a.mp3"), 11u);
    EXPECT_EQ(LastDelimiter(".", "01.intro.mp3"), 9u);
    EXPECT_EQ(LastDelimiter(".\\:", "song"), 0u);
    EXPECT_EQ(LastDelimiter("/", ""), 0u);
}

TEST(LastDelimiter, Big5SecondByteIsNeverADelimiter)
{
    // 許 in Big5 is B3 5C, and 5C is "\". "C:\許.mp3" in Big5:
    const std::string path = "C:\\\xB3\x5C.mp3";
    EXPECT_EQ(LastDelimiter("\\:", path, CodePage::Big5), 3u);   // the real backslash
    EXPECT_EQ(LastDelimiter("\\:", path, CodePage::Utf8), 5u);   // a byte scan is fooled
    // 功 is A5 5C; two such characters in a row, then a real delimiter.
    const std::string name = "\xA5\x5C\xA5\x5C\\x";
    EXPECT_EQ(LastDelimiter("\\", name, CodePage::Big5), 5u);
    // A lead byte at the very end has no trail: it is a byte of its own.
    EXPECT_EQ(LastDelimiter("\\", "a\\\xA6", CodePage::Big5), 2u);
}
