// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/codepage.h"

#include <QList>
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "tests/convert/cp950_block.h"

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

TEST(CodePage, WindowsReadingsOfKnownCodes)
{
    EXPECT_EQ(cp950::decode(bytes({0xB0, 0xEA, 0xC5, 0xE9})), QString::fromUtf8("國體"));
    EXPECT_EQ(cp950::decode(bytes({0xA1, 0x40})), QString(QChar(0x3000)));
    EXPECT_EQ(cp950::decode(bytes({0xA3, 0xE1})), QString(QChar(0x20AC)));   // euro sign
    // User-defined areas land in the Private Use Area exactly where Windows puts them.
    EXPECT_EQ(cp950::decode(bytes({0xFA, 0x40})), QString(QChar(0xE000)));
    EXPECT_EQ(cp950::decode(bytes({0x8E, 0x40})), QString(QChar(0xE311)));
    EXPECT_EQ(cp950::decode(bytes({0x81, 0x40})), QString(QChar(0xEEB8)));
    EXPECT_EQ(cp950::decode(bytes({0xC7, 0xFD})), QString(QChar(0xF7AA)));  // right after the kana block
    EXPECT_EQ(cp950::decode(bytes({0xC8, 0xCB})), QString(QChar(0xF815)));  // 人 in GB2312
    EXPECT_EQ(cp950::encode(QString::fromUtf8("國體\r\n")), bytes({0xB0, 0xEA, 0xC5, 0xE9, 0x0D, 0x0A}));
    // Long ASCII runs around characters, as a subtitle's time lines are.
    const QString mixed = QString::fromUtf8("00:00:01,000 --> 00:00:03,500\r\n國體\r\n0123456789abcdefg");
    EXPECT_EQ(cp950::decode(cp950::encode(mixed)), mixed);
    EXPECT_EQ(cp950::decodePair(0xA2, 0xCC), U'十');   // Windows' reading of a duplicate code
    EXPECT_EQ(cp950::decodePair(0xA3, 0xC0), 0U);
}

TEST(CodePage, EveryCharacterEncodesToItsOwnCode)
{
    int characters = 0;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            const char32_t c = cp950::decodePair(lead, trail);
            if (c == 0)
                continue;
            ++characters;
            const QString text{QChar(char16_t(c))};
            const QByteArray back = cp950::encode(text);
            ASSERT_EQ(back.size(), 2) << std::hex << lead << trail;
            // Ten codes are second homes of a character: it encodes to its first home.
            if (uchar(back[0]) != lead || uchar(back[1]) != trail) {
                EXPECT_EQ(cp950::decodePair(uchar(back[0]), uchar(back[1])), c);
            }
        }
    }
    EXPECT_EQ(characters, 19720);   // 13,060 Hanzi, symbols and the user-defined areas
}

TEST(CodePage, KanaCyrillicAndNumbersBlockReadsAsWindowsDoes)
{
    // C6A1..C7FC against the checked-in outside reading: each cell reads as its character and
    // that character has this code alone, so a GB2312 ぁ or Д has one Big5 home to go to.
    const std::vector<testblock::Cell> block = testblock::cp950Block();
    ASSERT_EQ(block.size(), 249u);
    std::map<char32_t, int> homes;
    for (unsigned code = 0x8100; code <= 0xFEFF; ++code) {
        if (char32_t c = cp950::decodePair(std::uint8_t(code >> 8), std::uint8_t(code)))
            ++homes[c];
    }
    QByteArray blockBytes;
    QString blockText;
    for (const testblock::Cell& cell : block) {
        const QByteArray pair = bytes({int(cell.big5 >> 8), int(cell.big5 & 0xFF)});
        const QString text = QString::fromUcs4(&cell.character, 1);
        EXPECT_EQ(cp950::decodePair(uchar(pair[0]), uchar(pair[1])), cell.character) << std::hex << cell.big5;
        EXPECT_EQ(cp950::encode(text), pair) << std::hex << cell.big5;
        EXPECT_EQ(homes[cell.character], 1) << std::hex << cell.big5;
        blockBytes += pair;
        blockText += text;
    }
    EXPECT_EQ(cp950::decode(blockBytes), blockText);
    EXPECT_EQ(cp950::encode(blockText), blockBytes);
    EXPECT_EQ(cp950::decode(bytes({0xC6, 0xA5, 0xC7, 0xB1})), QString::fromUtf8("ぁД"));
    // The Private Use readings the block had before are no characters of the code page now.
    EXPECT_FALSE(cp950::canEncode(QString(QChar(0xF6B5))));
}

TEST(CodePage, AnyBytesSurviveDecodeAndEncode)
{
    // Every pair, every single byte, and each pair at the very end of the input.
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, char(b));
        ASSERT_EQ(cp950::encode(cp950::decode(one)), one) << b;
    }
    QByteArray all;
    all.reserve(65536 * 3);
    for (int code = 0; code < 65536; ++code) {
        const QByteArray pair = bytes({code >> 8, code & 0xFF});
        const QString text = cp950::decode(pair);
        ASSERT_EQ(cp950::encode(text), pair) << std::hex << code;
        for (QChar ch : text)
            ASSERT_FALSE(ch.isSurrogate() && !text.contains(QChar(0xDBFF)))
                << "lone surrogate for " << std::hex << code;
        all += pair;
        all += 'x';
    }
    EXPECT_EQ(cp950::encode(cp950::decode(all)), all);

    std::mt19937 rng(950);
    for (int round = 0; round < 200; ++round) {
        QByteArray random(int(rng() % 4000), '\0');
        for (char& c : random)
            c = char(rng() % 3 == 0 ? 0x80 + rng() % 128 : rng() % 256);
        ASSERT_EQ(cp950::encode(cp950::decode(random)), random) << round;
    }
}

TEST(CodePage, ReservedCodePointsAreValidText)
{
    // Undecodable pairs and stray lead bytes become reserved characters the text
    // area can store: real code points, surrogate pairs only as whole pairs.
    const QString t = cp950::decode(bytes({0xA3, 0xC1, 0xA2, 0xCC, 0xA4, 0x30, 0xFE}));
    EXPECT_TRUE(t.isValidUtf16());
    EXPECT_EQ(QString::fromUtf8(t.toUtf8()), t);
    EXPECT_EQ(t.toUcs4().size(), 5);   // A3C1, A2CC, A4, '0', FE
    EXPECT_EQ(t.toUcs4()[0], 0xF849U + (0xC1 - 0xC0));
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    const QString text = QString::fromUtf8("a简b😀c");   // 简 is not in Big5
    std::vector<cp950::Unencodable> misses;
    EXPECT_EQ(cp950::encode(text, &misses), QByteArray("a?b?c"));
    ASSERT_EQ(misses.size(), 2u);
    EXPECT_EQ(misses[0].textIndex, 1);
    EXPECT_EQ(misses[0].textLength, 1);
    EXPECT_EQ(misses[0].byteOffset, 1);
    EXPECT_EQ(misses[1].textIndex, 3);
    EXPECT_EQ(misses[1].textLength, 2);
    EXPECT_EQ(misses[1].byteOffset, 3);
    EXPECT_FALSE(cp950::canEncode(text));
    EXPECT_TRUE(cp950::canEncode(QString::fromUtf8("國體 abc\r\n")));
    // A lone surrogate is not a character either.
    EXPECT_EQ(cp950::encode(QString(QChar(0xD800))), QByteArray("?"));
}

} // namespace
