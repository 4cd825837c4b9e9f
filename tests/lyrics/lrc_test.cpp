#include <gtest/gtest.h>

#include "lyrics/lrc.h"

namespace {

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

}  // namespace
