#include <gtest/gtest.h>

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
