#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "text/collation.h"

using text::Collator;

TEST(Collation, LowerABeforeUpperBInEveryLocale)
{
    for (const char* locale : {"", "C", "POSIX", "en_US", "zh_TW", "de_DE.UTF-8"}) {
        Collator collator(locale);
        EXPECT_EQ(collator.Compare("a", "B"), -1) << locale;
        EXPECT_EQ(collator.Compare("B", "a"), 1) << locale;
        EXPECT_EQ(collator.Compare("a", "A"), -1) << locale;  // lower case first at the tie
    }
}

TEST(Collation, EqualOnlyForIdenticalBytes)
{
    Collator collator("");
    EXPECT_EQ(collator.Compare("abc", "abc"), 0);
    EXPECT_NE(collator.Compare("abc", "ABC"), 0);
    // Canonically equivalent but different bytes: é precomposed vs e + combining accent.
    EXPECT_NE(collator.Compare("\xC3\xA9", "e\xCC\x81"), 0);
    EXPECT_EQ(collator.Compare("", ""), 0);
    EXPECT_EQ(collator.Compare("", "a"), -1);
}

TEST(Collation, CaseInsensitiveIgnoresCaseOnly)
{
    Collator collator("");
    EXPECT_EQ(collator.Compare("abc", "ABC", true), 0);
    EXPECT_NE(collator.Compare("abc", "abd", true), 0);
}

TEST(Collation, OrderIsConsistentForChineseText)
{
    Collator collator("zh_TW");
    const int ab = collator.Compare("月亮", "太陽");
    EXPECT_NE(ab, 0);
    EXPECT_EQ(collator.Compare("太陽", "月亮"), -ab);
}

namespace {

using Prefix = std::array<uint8_t, 16>;

Prefix PrefixOf(const Collator& collator, const std::string& text, bool caseless)
{
    Prefix prefix;
    prefix.fill(0xEE);
    EXPECT_TRUE(collator.SortKeyPrefix(text, caseless, prefix)) << text;
    return prefix;
}

}  // namespace

TEST(Collation, SortKeyPrefixesThatDifferOrderAsCompare)
{
    const std::vector<std::string> texts = {
        "", "a", "A", "b", "B", "abc", "ABC", "abd", "\xC3\xA9", "e\xCC\x81", "e", "月亮", "太陽", "歌", "愛你",
        "Song 1", "song 10", "song 2", "a long title that shares its beginning x",
        "a long title that shares its beginning y", "The Beatles - Let It Be", "the beatles - let it be",
    };
    for (const char* locale : {"", "zh_TW", "de_DE"}) {
        Collator collator(locale);
        for (const bool caseless : {false, true}) {
            int decided = 0;
            for (const std::string& a : texts)
                for (const std::string& b : texts) {
                    const Prefix pa = PrefixOf(collator, a, caseless);
                    const Prefix pb = PrefixOf(collator, b, caseless);
                    const int bytes = std::memcmp(pa.data(), pb.data(), pa.size());
                    if (bytes == 0)
                        continue;
                    ++decided;
                    EXPECT_EQ(bytes < 0 ? -1 : 1, collator.Compare(a, b, caseless))
                        << locale << " \"" << a << "\" \"" << b << "\" caseless " << caseless;
                }
            // Most pairs are settled by their prefixes alone.
            EXPECT_GT(decided, static_cast<int>(texts.size() * texts.size() / 2)) << locale;
        }
    }
}

TEST(Collation, SortKeyPrefixesLeaveTiesToCompare)
{
    Collator collator("");
    // Case only: the caseless prefixes are equal, the exact ones are not.
    EXPECT_EQ(PrefixOf(collator, "abc", true), PrefixOf(collator, "ABC", true));
    EXPECT_NE(PrefixOf(collator, "abc", false), PrefixOf(collator, "ABC", false));
    // A beginning longer than the prefix: only Compare tells the texts apart.
    const std::string x = "a long title that shares its beginning x";
    const std::string y = "a long title that shares its beginning y";
    EXPECT_EQ(PrefixOf(collator, x, false), PrefixOf(collator, y, false));
    EXPECT_EQ(collator.Compare(x, y), -1);
    // A short key is padded with zeros, which sort before any key byte.
    const Prefix empty = PrefixOf(collator, "", false);
    EXPECT_LT(std::memcmp(empty.data(), PrefixOf(collator, "a", false).data(), empty.size()), 0);
    EXPECT_EQ(empty[15], 0);
}
