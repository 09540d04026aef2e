// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/tables.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/convert/cp950_block.h"
#include "tests/support/test_util.h"

namespace {

using modBig2GB::bigCell;
using modBig2GB::gbCell;
using modBig2GB::gbRowKey;

unsigned code(const modBig2GB::Cell& c) { return c.first << 8 | c.second; }
unsigned big(unsigned big5) { return code(bigCell(big5 >> 8, big5 & 0xFF)); }
unsigned gb(unsigned gb2312) { return code(gbCell(gbRowKey(gb2312 >> 8), gb2312 & 0xFF)); }

class Tables : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(modBig2GB::LoadTables(&error)) << error.toStdString();
    }
};

TEST_F(Tables, BigStrTellingCells)
{
    const std::pair<unsigned, unsigned> cells[] = {
        {0xA140, 0xA1A1}, {0xA141, 0xA3AC},                    // same character
        {0xB0EA, 0xB9FA}, {0xC5E9, 0xCCE5}, {0xA8E0, 0xB6F9},  // 國 體 兒
        {0xA8C3, 0xB2A2}, {0xA8D6, 0xB2A2},                    // 並 併 -> 并
        {0xA970, 0xC4E3}, {0xA865, 0xCBFC},                    // 妳 -> 你, 牠 -> 它
        {0xB0AE, 0xC7AC}, {0xABE1, 0xE1E1}, {0xB746, 0xB8C9},  // 乾 後 幹
        {0xBE76, 0xB7A2}, {0xB56F, 0xB7A2}, {0xBBF2, 0xF7E1},  // 髮 發 麼
        {0xA1D8, 0xA1DC}, {0xA15F, 0xA6E0},                    // ≦ ︵
        {0xC6A5, 0xA4A1}, {0xC7B1, 0xA7A5},                    // ぁ Д
        {0xBB60, 0xA1A1}, {0xA1C0, 0xA1A1},                    // 蒐 ㊣: no counterpart
        {0xA17F, 0xA17F}, {0xA1A0, 0xA1A0},                    // gap columns
        {0xA3C0, 0xA1A1}, {0xC8A1, 0xA1A1}, {0xFA40, 0xA1A1},  // not a character
    };
    for (auto [from, to] : cells)
        EXPECT_EQ(big(from), to) << std::hex << from;
}

TEST_F(Tables, GBStrTellingCells)
{
    const std::pair<unsigned, unsigned> cells[] = {
        {0xA1A1, 0xA140}, {0xA1A2, 0xA142},                    // same character
        {0xB9FA, 0xB0EA}, {0xB7A2, 0xB56F}, {0xD2A9, 0xC3C4},  // 国 发 药
        {0xD3AB, 0xBAB7}, {0xD7C5, 0xB5DB},                    // 荧 着
        {0xCCE5, 0xCA5E}, {0xB8C9, 0xA47A}, {0xBAF3, 0xA65A},  // 体 干 后 stay
        {0xC3E6, 0xADB1},                                      // 面 stays
        {0xA2E5, 0xA440}, {0xA9A5, 0xA277},                    // ㈠ -> 一, ━ -> ─
        {0xA8A1, 0xA140}, {0xA2B1, 0xA140},                    // ā ⒈: no counterpart
        {0xA6E0, 0xA15F},                                      // ︵
        {0xFAA1, 0xFA40}, {0xFAFE, 0xFABF}, {0xFBA1, 0xFAC0},  // user-defined, in order
        {0xFDFE, 0xFC7D},
        {0xF8A1, 0xA140},                                      // not GB2312
    };
    for (auto [from, to] : cells)
        EXPECT_EQ(gb(from), to) << std::hex << from;
    // The empty rows 0xAA..0xAF read the rows of 0xB0..0xB5: AAA1 is 啊 (B0A1), Big5 B0DA.
    EXPECT_EQ(gb(0xAAA1), 0xB0DAu);
    EXPECT_EQ(gb(0xB0A1), 0xB0DAu);
}

TEST_F(Tables, KanaCyrillicAndNumbersMapBothWays)
{
    // Every character of the C6A1..C7FC block that GB2312 has is the same character on both
    // sides; the three iteration marks GB2312 lacks have no counterpart.
    int shared = 0;
    for (const testblock::Cell& cell : testblock::cp950Block()) {
        if (cell.gb2312 == 0) {
            EXPECT_EQ(big(cell.big5), 0xA1A1u) << std::hex << cell.big5;
            continue;
        }
        ++shared;
        EXPECT_EQ(big(cell.big5), cell.gb2312) << std::hex << cell.big5;
        EXPECT_EQ(gb(cell.gb2312), cell.big5) << std::hex << cell.gb2312;
    }
    EXPECT_EQ(shared, 246);   // 々, 83 hiragana, 86 katakana, 56 Cyrillic letters, ①..⑩, ⑴..⑽
}

TEST_F(Tables, GapColumnsPassAndRowFFStaysEmpty)
{
    for (unsigned lead = 0xA1; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x7F; trail <= 0xA0; ++trail)
            ASSERT_EQ(big(lead << 8 | trail), lead << 8 | trail) << std::hex << lead << trail;
    }
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
        ASSERT_EQ(code(bigCell(0xFF, trail)), 0u) << std::hex << trail;
    for (unsigned trail = 0xA1; trail <= 0xFE; ++trail)
        ASSERT_EQ(code(gbCell(0xFF, trail)), 0u) << std::hex << trail;
    // Every filled cell is a real two-byte code: no zero byte can come out of a conversion.
    for (unsigned lead = 0xA1; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
            ASSERT_TRUE(bigCell(lead, trail).first && bigCell(lead, trail).second);
    }
    for (unsigned key = 0xA7; key <= 0xFE; ++key) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail)
            ASSERT_TRUE(gbCell(key, trail).first && gbCell(key, trail).second);
    }
}

TEST_F(Tables, MissingOrShortResourceIsRefusedWithAMessage)
{
    QTemporaryDir dir;
    const QString whole = testutil::writeFile(dir, "102.bin", testutil::readFile(":/CUSTOM/102"));
    // The fixture loaded the resources at their exact sizes (35908 and 16544 bytes); one byte off is refused.
    const QString shortOne = testutil::writeFile(dir, "short.bin", QByteArray(35907, 'x'));
    const QString longOne = testutil::writeFile(dir, "long.bin", QByteArray(35909, 'x'));
    const modBig2GB::Cell before = bigCell(0xB0, 0xEA);

    for (const QString& path : {dir.filePath("missing.bin"), shortOne, longOne}) {
        QString error;
        EXPECT_FALSE(modBig2GB::LoadTablesFrom(path, whole, &error)) << path.toStdString();
        EXPECT_TRUE(error.contains("101") && error.contains(testutil::u8("轉換表資源")))
            << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(modBig2GB::LoadTablesFrom(":/CUSTOM/101", dir.filePath("none"), &error));
    EXPECT_TRUE(error.contains("102"));
    // A refused load never touches the filled tables.
    EXPECT_EQ(code(bigCell(0xB0, 0xEA)), code(before));
    EXPECT_TRUE(modBig2GB::tablesLoaded());
}

} // namespace
