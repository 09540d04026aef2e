// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/codepage.h"
#include "convert/conversion.h"
#include "convert/tables.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/test_util.h"

namespace {

using testutil::u8;

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

QByteArray gbToBig(QByteArray b)
{
    modBig2GB::gbToBigBytes(b);
    return b;
}

QByteArray bigToGB(QByteArray b)
{
    modBig2GB::bigToGBBytes(b);
    return b;
}

TEST(Conversion, RoundOfTheNationalBody)
{
    // 國體 -> the GB2312 bytes B9FA CCE5, shown as Big5 弊极 -> back to 國体 (Big5 keeps 体).
    const QString gbShown = modBig2GB::BigToGB(u8("國體"));
    EXPECT_EQ(gbShown, u8("弊极"));
    EXPECT_EQ(cp950::encode(gbShown), bytes({0xB9, 0xFA, 0xCC, 0xE5}));
    EXPECT_EQ(modBig2GB::GBToBig(gbShown), u8("國体"));
    // A converted subtitle line keeps its ASCII and line ends where they were.
    EXPECT_EQ(modBig2GB::GBToBig(modBig2GB::BigToGB(u8("1\r\n00:01 --> 00:02\r\n我們的國家。\r\n"))),
              u8("1\r\n00:01 --> 00:02\r\n我們的國家。\r\n"));
    // Twice in a row converts twice: readable Big5 is turned into other characters.
    EXPECT_NE(modBig2GB::GBToBig(u8("國体")), u8("國体"));
    // Characters code page 950 lacks stay in place; a lead byte before one is copied alone.
    EXPECT_EQ(modBig2GB::BigToGB(u8("國😀體ß𠀀國āb")), u8("弊😀极ß𠀀弊āb"));
    const QString lead = cp950::decode(bytes({0xB9}));
    EXPECT_EQ(modBig2GB::GBToBig(lead + u8("😀") + lead), lead + u8("😀") + lead);
}

TEST(Conversion, KanaAndCyrillicLyricsSurviveBothWays)
{
    // GB2312 ぁ あ Д are Big5 C6A5 C6A6 C7B1, not three ideographic spaces.
    const QByteArray gbBytes = bytes({0xA4, 0xA1, 0xA4, 0xA2, 0xA7, 0xA5});
    const QByteArray big5 = bytes({0xC6, 0xA5, 0xC6, 0xA6, 0xC7, 0xB1});
    EXPECT_EQ(gbToBig(gbBytes), big5);
    EXPECT_EQ(bigToGB(big5), gbBytes);
    EXPECT_EQ(modBig2GB::GBToBig(cp950::decode(gbBytes)), u8("ぁあД"));
    // A subtitle line of Japanese and Russian goes to GB2312 and comes back whole.
    const QString line = u8("2\r\n00:00:04,000 --> 00:00:06,000\r\nさようなら、Дмитрий ⑵\r\n");
    EXPECT_EQ(modBig2GB::GBToBig(modBig2GB::BigToGB(line)), line);
    // А (A7A1) is one of the ten Cyrillic capitals the block leaves out (А Б В Г Н О П Р С Т):
    // code page 950 has no home for it.
    EXPECT_EQ(gbToBig(bytes({0xA4, 0xA1, 0xA4, 0xA2, 0xA7, 0xA1})), bytes({0xC6, 0xA5, 0xC6, 0xA6, 0xA1, 0x40}));
}

TEST(Conversion, ScanRulesOnBytes)
{
    const struct { bool gb; QByteArray in, out; } rows[] = {
        // The GB2312 ideographic space is found through the symbol-row key; Big5 space goes back.
        {true, bytes({0xA1, 0xA1}), bytes({0xA1, 0x40})}, {false, bytes({0xA1, 0x40}), bytes({0xA1, 0xA1})},
        // A lead byte 0xAA..0xAF reads the row of 0xB0..0xB5.
        {true, bytes({0xAA, 0xA1}), bytes({0xB0, 0xDA})},
        // The last byte is copied whatever it is; a failed pair test copies one byte and moves on.
        {true, bytes({'a', 0xB9}), bytes({'a', 0xB9})}, {false, bytes({'a', 0xB0}), bytes({'a', 0xB0})},
        {true, bytes({0xB9, 0x41, 0xB9, 0xFA}), bytes({0xB9, 0x41, 0xB0, 0xEA})},
        {false, bytes({0xB0, 0x30, 0xB0, 0xEA}), bytes({0xB0, 0x30, 0xB9, 0xFA})},
        // Big5's gap trail bytes pass the Big5 test and come back unchanged.
        {false, bytes({0xA1, 0x7F, 0xA1, 0xA0}), bytes({0xA1, 0x7F, 0xA1, 0xA0})},
        // Outside both tables (first or second byte 0xFF) the pair passes as a pair.
        {true, bytes({0xFF, 0xB9, 0xB9, 0xFF, 0xB9, 0xFA}), bytes({0xFF, 0xB9, 0xB9, 0xFF, 0xB0, 0xEA})},
        {false, bytes({0xFF, 0x40, 0xB0, 0xFF, 0xB0, 0xEA}), bytes({0xFF, 0x40, 0xB0, 0xFF, 0xB9, 0xFA})},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.gb ? gbToBig(r.in) : bigToGB(r.in), r.out) << r.in.toHex().toStdString();
    EXPECT_EQ(modBig2GB::GBToBig(cp950::decode(bytes({0xA1, 0xA1}))), QString(QChar(0x3000)));
    // Empty, one byte and ASCII-only texts are untouched.
    EXPECT_EQ(modBig2GB::GBToBig(QString()), QString());
    const QString single = cp950::decode(bytes({0xE5}));
    EXPECT_EQ(modBig2GB::BigToGB(single), single);
    EXPECT_EQ(modBig2GB::GBToBig(u8("Hello, world!\r\n0123456789")), u8("Hello, world!\r\n0123456789"));
}

TEST(Conversion, EveryGB2312CodeSurvivesTheEditorRoad)
{
    // A GB2312 file is read as Big5 text and encoded again before the scan: every code must
    // come back as its own bytes and convert exactly as the bytes do, wherever it stands.
    QByteArray file;
    for (int lead = 0xA1; lead <= 0xFE; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const QByteArray pair = bytes({lead, trail});
            const QString shown = cp950::decode(pair);
            ASSERT_EQ(cp950::encode(shown), pair) << std::hex << lead << trail;
            ASSERT_EQ(cp950::encode(modBig2GB::GBToBig(shown)), gbToBig(pair)) << std::hex << lead << trail;
            file += pair;
            file += (trail % 7 == 0) ? "\r\n" : "";
        }
    }
    EXPECT_EQ(cp950::encode(modBig2GB::GBToBig(cp950::decode(file))), gbToBig(file));
    EXPECT_EQ(cp950::encode(modBig2GB::BigToGB(cp950::decode(file))), bigToGB(file));
}

// The scan exactly as the algorithm reads, one byte decision at a time, as a model for the
// block scan and the one-pass text road.
QByteArray modelScan(QByteArray b, bool gb)
{
    const qsizetype n = b.size() - 1;
    for (qsizetype i = 0; i <= n;) {
        const unsigned first = uchar(b[i]);
        const unsigned second = i < n ? uchar(b[i + 1]) : 0;
        if (i == n || first < 0xA1 || second < (gb ? 0xA1u : 0x40u)) {
            ++i;
            continue;
        }
        if (first != 0xFF && second != 0xFF) {
            const modBig2GB::Cell c = gb ? modBig2GB::gbCell(modBig2GB::gbRowKey(first), second)
                                         : modBig2GB::bigCell(first, second);
            b[i] = char(c.first);
            b[i + 1] = char(c.second);
        }
        i += 2;
    }
    return b;
}

QString modelText(const QString& text, bool gb)
{
    std::vector<cp950::Unencodable> misses;
    const QByteArray out = modelScan(cp950::encode(text, &misses), gb);
    QString result;
    qsizetype from = 0;
    for (const auto& miss : misses) {
        result += cp950::decode(out.mid(from, miss.byteOffset - from)) + text.mid(miss.textIndex, miss.textLength);
        from = miss.byteOffset + 1;
    }
    return result + cp950::decode(out.mid(from));
}

TEST(Conversion, MatchesTheStraightScanOnMixedText)
{
    // Long texts of every kind of character: line ends, ASCII, Big5 and GB2312-as-Big5 Hanzi,
    // lone lead bytes, code page 950 lead bytes 0x81..0xA0, pairs with 0xFF, characters
    // outside code page 950. Long enough to cross many 64-byte blocks.
    const QString pieces[] = {u8("\r\n"), u8(" "), u8("7"), u8("A"), u8("z~"), u8("國"), u8("體"),
                              u8("弊"), u8("极"), u8("一"), u8("，"), u8("😀"), u8("ß"), u8("ā")};
    modBig2GB::loadAllTables();   // the model reads the cells straight from the tables
    std::mt19937 rng(950);
    for (int round = 0; round < 150; ++round) {
        QString text;
        QByteArray raw;
        // Some past 16 KB, where the byte scan works from a table of whole pairs.
        const int length = int(round % 25 == 0 ? 12000 : rng() % 400);
        for (int k = 0; k < length; ++k) {
            if (rng() % 3 == 0) {
                raw.append(char(0x81 + rng() % 0x7F));
                if (rng() % 2)
                    raw.append(char(rng() % 4 == 0 ? 0xFF : 0x40 + rng() % 0xC0));
                continue;
            }
            text += cp950::decode(raw);
            raw.clear();
            text += pieces[rng() % std::size(pieces)];
        }
        text += cp950::decode(raw);
        ASSERT_EQ(modBig2GB::GBToBig(text), modelText(text, true)) << round;
        ASSERT_EQ(modBig2GB::BigToGB(text), modelText(text, false)) << round;
        std::vector<cp950::Unencodable> misses;
        const QByteArray bytes = cp950::encode(text, &misses);
        ASSERT_EQ(gbToBig(bytes), modelScan(bytes, true)) << round;
        ASSERT_EQ(bigToGB(bytes), modelScan(bytes, false)) << round;
    }
}

} // namespace
