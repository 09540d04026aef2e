// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/char_conversion.h"
#include "convert/codepage.h"
#include "convert/conversion.h"
#include "convert/findings.h"
#include "document/encoding.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

#include <random>

using testutil::u8;

namespace {

QString gbText(const QByteArray& gb2312Bytes)
{
    return document::decodeText(gb2312Bytes, document::Encoding::Gb18030);
}

// Every GB2312 character once, in code order, with ASCII and line ends between the rows, as
// GB2312 bytes. (Codes GB2312 leaves unassigned read as Private Use characters elsewhere.)
QByteArray everyGb2312Character()
{
    QByteArray bytes;
    for (unsigned lead = 0xA1; lead <= 0xF7; ++lead) {
        if (lead >= 0xAA && lead <= 0xAF)
            continue;
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            const QByteArray pair = QByteArray().append(char(lead)).append(char(trail));
            const char16_t c = gbText(pair).at(0).unicode();
            if (c < 0xE000 || c > 0xF8FF)
                bytes += pair;
        }
        bytes += "\r\nline " + QByteArray::number(lead) + ": ";
    }
    return bytes;
}

TEST(CharacterConversion, GbToBigGivesWhatTheByteRoadGivesForTheSameText)
{
    // The byte road: GB2312 bytes read as Big5, converted. The character road: the same text
    // read as characters (a UTF-8 file), converted. Character for character the same.
    const QByteArray gb = everyGb2312Character();
    const QString text = gbText(gb);
    ASSERT_FALSE(text.contains(QChar(0xFFFD)));
    EXPECT_EQ(modBig2GB::gbToBigText(text), modBig2GB::GBToBig(cp950::decode(gb)));

    // Random subtitle lines too, where pairs meet ASCII and each other.
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        QByteArray line;
        for (int i = int(rng() % 30); i > 0; --i) {
            if (rng() % 4 == 0) {
                line += char(" 0aZ,\r\n"[rng() % 7]);
                continue;
            }
            const qsizetype at = qsizetype(rng() % (gb.size() / 2)) * 2;
            if (std::uint8_t(gb[at]) >= 0xA1 && std::uint8_t(gb[at + 1]) >= 0xA1)
                line += gb.mid(at, 2);
        }
        ASSERT_EQ(modBig2GB::gbToBigText(gbText(line)), modBig2GB::GBToBig(cp950::decode(line)))
            << line.toHex().toStdString();
    }
}

TEST(CharacterConversion, BigToGbGivesWhatTheByteRoadGives)
{
    const QString text = u8("國體 發髮 乾杯 妳好 ㊣ ぁД ①，。\r\nABC 123");
    const QString byteRoad = modBig2GB::BigToGB(text);   // GB2312 bytes shown as Big5
    EXPECT_EQ(modBig2GB::bigToGBText(text), gbText(cp950::encode(byteRoad)));
    EXPECT_EQ(modBig2GB::bigToGBText(u8("國體")), u8("国体"));
}

TEST(CharacterConversion, GbkCharactersGoThroughTheirOwnTable)
{
    // Beyond GB2312: a traditional counterpart where Big5 has one, else left as it is (never
    // blanked); traditional characters that GBK also holds stay; beyond the BMP stays.
    modBig2GB::GbFindings findings;
    EXPECT_EQ(modBig2GB::gbToBigText(u8("朱镕基 陶喆 堃 國體 𠮷😂"), &findings), u8("朱鎔基 陶喆 堃 國體 𠮷😂"));
    EXPECT_EQ(findings.blanked, 0);
    EXPECT_EQ(modBig2GB::gbToBigText(u8("软件里的东西")), u8("軟件里的東西"))
        << "里 is in Big5: the correction decides";
}

TEST(CharacterConversion, FromUtf8InOnePassEqualsDecodingThenConverting)
{
    // Well-formed UTF-8 converts in one pass exactly as decoding and converting do; anything
    // the decoder reads its own way, and markup, is refused (left to the usual road).
    const auto twoRoads = [](const QByteArray& bytes, const std::string& what) {
        QString fast = u8("untouched");
        modBig2GB::GbFindings fastFound, slowFound;
        fastFound.blanked = slowFound.blanked = what.size() % 2;   // counts already there
        const bool taken = modBig2GB::gbToBigFromUtf8(bytes, fast, &fastFound);
        if (taken) {
            const QString slow = modBig2GB::gbToBigText(document::decodeText(bytes, document::Encoding::Utf8, false),
                                                        &slowFound);
            EXPECT_EQ(fast, slow) << what;
            EXPECT_EQ(fastFound.blanked, slowFound.blanked) << what;
            EXPECT_EQ(fastFound.blankedLine, slowFound.blankedLine) << what;
        } else {
            EXPECT_EQ(fast, u8("untouched")) << what;
        }
        return taken;
    };
    const struct {
        QByteArray bytes;
        bool taken;
    } rows[] = {
        {"", true},
        {u8("软件里的东西，国体。").toUtf8(), true},
        {u8("0123456789abcdef软件\r\n0123456789abcdefg\u3000x\nā⒈ 𠮷😂 \uFEFF后").toUtf8(), true},
        {"\xEF\xBB\xBF" + u8("国").toUtf8(), true},   // a mark inside a file is a character
        {"\xC0\xAF", false},                          // overlong
        {"\xE0\x80\xAF", false},                      // overlong, three bytes
        {"\xED\xA0\x80", false},                      // a surrogate
        {"\xF4\x90\x80\x80", false},                  // past U+10FFFF
        {"\xF3\xB0\x80\x80", false},                  // U+F0000: the reserved planes
        {"\xEF\xBF\xBE", false},                      // U+FFFE
        {"\xEF\xB7\x90", false},                      // U+FDD0
        {"abc\xE4\xBD", false},                       // cut off at the end
        {"\xA1\xA1", false},                          // GB2312 bytes
        {"\xE4\xBDxx", false},
        {u8("<i>国</i>").toUtf8(), false},                  // markup: converted piece by piece elsewhere
        {u8("0123456789abcde{\\an8}国").toUtf8(), false},   // "{\" across sixteen bytes
        {u8("{国} a{b 0123456789abcdef{").toUtf8(), true},  // braces alone are text
    };
    for (const auto& row : rows)
        EXPECT_EQ(twoRoads(row.bytes, row.bytes.toHex().toStdString()), row.taken) << row.bytes.toHex().toStdString();
    // Random mixes of ASCII runs, Chinese, blanked characters, line ends and broken bytes.
    std::mt19937 rng(5);
    const QByteArray pieces[] = {"0123456789abcdefghij", "a", "\r\n", "\n", u8("国").toUtf8(), u8("ā").toUtf8(),
                                 u8("\u3000").toUtf8(), u8("😂").toUtf8(), u8("镕").toUtf8(), "{", "\x80", "\xE5"};
    int taken = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes;
        for (int i = int(rng() % 30); i > 0; --i)
            bytes += pieces[rng() % (round % 2 ? std::size(pieces) : std::size(pieces) - 2)];
        taken += twoRoads(bytes, bytes.toHex().toStdString()) ? 1 : 0;
    }
    EXPECT_GE(taken, 200) << "every well-formed round goes the one-pass way";
    QString out;
    EXPECT_FALSE(modBig2GB::gbToBigFromUtf8(QByteArray(20, 'a') + "{\\", out, nullptr)) << "markup at the very end";
}

TEST(Findings, SayWhatTheConversionMetAndWhere)
{
    // GBK pairs on the Big5 road: 镕 (E946, a trail below 0xA1) and 喆 (86B4, a lead below it).
    const QByteArray gbk = "ok\r\n\xE6\x9C\xB1\xE9\x46\r\n\x86\xB4\r\n";
    modBig2GB::GbFindings f = modBig2GB::surveyGbBytes(gbk);
    EXPECT_EQ(f.gbkPairs, 2);
    EXPECT_EQ(f.gbkLine, 2);
    // Characters without a Big5 counterpart: ā (A8A1) and ⒈ (A2B1) become ideographic spaces.
    f = modBig2GB::surveyGbBytes("\xA1\xA1 x\r\n\xA8\xA1\xA2\xB1");
    EXPECT_EQ(f.blanked, 2);
    EXPECT_EQ(f.blankedLine, 2);
    EXPECT_EQ(f.gbkPairs, 0);

    modBig2GB::GbFindings chars;
    modBig2GB::gbToBigText(u8("\u3000第一行\nā⒈"), &chars);
    EXPECT_EQ(chars.blanked, 2) << "the ideographic space itself is not counted";
    EXPECT_EQ(chars.blankedLine, 2);
    EXPECT_TRUE(modBig2GB::describeFindings(chars, QString()).contains(u8("2 個字")));
    EXPECT_TRUE(modBig2GB::describeFindings(modBig2GB::GbFindings{}, QString()).isEmpty());
}

} // namespace
