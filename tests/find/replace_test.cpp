#include "find/replace.h"

#include <gtest/gtest.h>

TEST(ReplaceAll, LeftmostNonOverlappingCaseSensitive)
{
    EXPECT_EQ(replaceAll(u"abcABCabc", u"abc", u"x"), u"xABCx");
    EXPECT_EQ(replaceAll(u"aaa", u"aa", u"b"), u"ba");
    // Inserted text is not searched again.
    EXPECT_EQ(replaceAll(u"aaa", u"a", u"aa"), u"aaaaaa");
    EXPECT_EQ(replaceAll(u"干杯，干杯！", u"干杯", u"乾杯"), u"乾杯，乾杯！");
    // Occurrences at both ends and a replacement that contains the find text.
    EXPECT_EQ(replaceAll(u"后來后", u"后", u"後后"), u"後后來後后");
}

TEST(ReplaceAll, EmptyBoxesAndLineEnds)
{
    EXPECT_EQ(replaceAll(u"a\r\nb\r\n", u"\r\n", u""), u"ab");
    EXPECT_EQ(replaceAll(u"abc", u"", u"x"), u"abc");
    EXPECT_EQ(replaceAll(u"", u"a", u"x"), u"");
    EXPECT_EQ(replaceAll(u"abc", u"d", u"x"), u"abc");
    EXPECT_EQ(replaceAll(u"abc", u"abc", u""), u"");
}
