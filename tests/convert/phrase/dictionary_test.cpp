// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/phrase/dictionary.h"

#include <gtest/gtest.h>

#include "tests/support/test_util.h"

namespace {

using testutil::u8;

TEST(PhraseDictionary, SectionsCommentsAndColumns)
{
    phrase::Dictionary d;
    QString error;
    ASSERT_TRUE(phrase::parseDictionary(u8("# head\n[simplified]\n几周\t幾週  # weeks\n\n"
                                           "[traditional]\n臺 台\n"),
                                        &d, &error));
    ASSERT_EQ(d.simplified.size(), 1u);
    EXPECT_EQ(d.simplified[0].key, u8("几周"));
    EXPECT_EQ(d.simplified[0].value, u8("幾週"));
    EXPECT_EQ(d.simplified[0].line, 3);
    ASSERT_EQ(d.traditional.size(), 1u);
    EXPECT_EQ(d.traditional[0].value, u8("台"));
}

TEST(PhraseDictionary, MalformedLinesAreNamed)
{
    const struct {
        const char* text;
        int line;
    } bad[] = {
        {"臺 台\n", 1},                         // before any section
        {"[simplified]\n\n台\n", 3},            // no value
        {"[simplified]\n台 台 臺\n", 2},        // three columns
        {"[traditional]\n臺 台\n臺 檯\n", 3},   // listed twice
        {"[other]\n", 1},
    };
    for (const auto& b : bad) {
        phrase::Dictionary d;
        QString error;
        EXPECT_FALSE(phrase::parseDictionary(u8(b.text), &d, &error)) << b.text;
        EXPECT_TRUE(error.contains(QStringLiteral("第 %1 行").arg(b.line))) << qPrintable(error);
    }
}

} // namespace
