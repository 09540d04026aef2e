// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/encoding.h"
#include "document/text_file.h"
#include "tests/support/test_util.h"

#include <QFile>
#include <gtest/gtest.h>

#include <random>

using document::Encoding;
using testutil::u8;

namespace {

// Subtitle-like files of random common characters in a double-byte encoding: cue numbers,
// timecodes and `lines` lines of text, in CR LF.
QByteArray doubleByteSubtitle(std::mt19937& rng, int cues, bool gb2312)
{
    auto character = [&] {
        if (gb2312) {   // level-1 hanzi, rows B0..D7
            const unsigned lead = 0xB0 + rng() % 40;
            const unsigned trail = 0xA1 + rng() % (lead == 0xD7 ? 89 : 94);
            return QByteArray().append(char(lead)).append(char(trail));
        }
        const unsigned lead = 0xA4 + rng() % 0x22;   // frequent Big5 rows A4..C5
        const unsigned r = rng() % 157;
        return QByteArray().append(char(lead)).append(char(r < 63 ? 0x40 + r : 0xA1 + (r - 63)));
    };
    QByteArray out;
    for (int cue = 1; cue <= cues; ++cue) {
        out += QByteArray::number(cue) + "\r\n00:00:01,000 --> 00:00:03,500\r\n";
        for (int n = 2 + int(rng() % 14); n > 0; --n)
            out += rng() % 9 == 0 ? QByteArray(rng() % 2 ? "\xA1\x41" : " ") : character();
        out += "\r\n\r\n";
    }
    return out;
}

TEST(EncodingDetection, AByteOrderMarkDecides)
{
    EXPECT_EQ(document::detectEncoding("\xEF\xBB\xBF" "1\r\n"), Encoding::Utf8Bom);
    EXPECT_EQ(document::detectEncoding(QByteArray("\xFF\xFE" "1\0", 4)), Encoding::Utf16LE);
    EXPECT_EQ(document::detectEncoding(QByteArray("\xFE\xFF\0" "1", 4)), Encoding::Utf16BE);
    EXPECT_EQ(document::detectEncoding("\xEF\xBB\xBF"), Encoding::Utf8Bom) << "the mark alone";
    // A GB2312 text beginning 锘 (EFBB) and a character led by BF is not fitted by the mark.
    EXPECT_EQ(document::detectEncoding("\xEF\xBB\xBF\xAA\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7\r\n"), Encoding::Big5);
    // A request for UTF-16 yields to the mark the bytes carry, either way.
    EXPECT_EQ(document::encodingAsRequested(Encoding::Utf16LE, QByteArray("\xFE\xFF\0" "1", 4)), Encoding::Utf16BE);
    EXPECT_EQ(document::encodingAsRequested(Encoding::Utf16BE, QByteArray("\xFF\xFE" "1\0", 4)), Encoding::Utf16LE);
    EXPECT_EQ(document::encodingAsRequested(Encoding::Utf16BE, QByteArray("\0" "1", 2)), Encoding::Utf16BE);
    // The mark belongs to the encoding, not to the text.
    EXPECT_EQ(document::decodeText("\xEF\xBB\xBF" "1\r\n", Encoding::Utf8Bom), "1\r\n");
    EXPECT_EQ(document::decodeText(QByteArray("\xFF\xFE" "1\0", 4), Encoding::Utf16LE), "1");
}

TEST(EncodingDetection, Utf8WithoutAMark)
{
    const QByteArray subtitle = u8("1\r\n00:00:01,000 --> 00:00:03,500\r\n你幹嘛這麼晚才回來？\r\n").toUtf8();
    EXPECT_EQ(document::detectEncoding(subtitle), Encoding::Utf8);
    EXPECT_EQ(document::detectEncoding(u8("Ça coûte très cher, même à Noël.").toUtf8()), Encoding::Utf8);
    EXPECT_EQ(document::detectEncoding("plain ASCII\r\n"), Encoding::Big5) << "nothing to tell: Big5";
    EXPECT_EQ(document::detectEncoding(""), Encoding::Big5);

    // A stray Latin-1 byte, or a last character cut off, leaves a clear UTF-8 text UTF-8, the
    // stray bytes kept as they were.
    const QByteArray stray = u8("你好，世界。caf").toUtf8() + "\xE9" + u8(" 軟件很好用\r\n").toUtf8();
    EXPECT_EQ(document::detectEncoding(stray), Encoding::Utf8);
    EXPECT_EQ(document::encodeText(document::decodeText(stray, Encoding::Utf8), Encoding::Utf8), stray);
    EXPECT_EQ(document::detectEncoding(subtitle + "\xE4\xBD"), Encoding::Utf8);
    EXPECT_EQ(document::detectEncoding("\xE4\xBD\xA0\xE9"), Encoding::Big5) << "one sequence is no evidence";

    // UTF-16 without a mark: the NULs of its ASCII sit in every other position.
    for (Encoding e : {Encoding::Utf16LE, Encoding::Utf16BE}) {
        const QByteArray bytes = document::encodeText(u8("1\r\n00:00:01,000\r\n字幕\r\n"), e).sliced(2);
        EXPECT_EQ(document::detectEncoding(bytes), e) << document::encodingName(e).toStdString();
    }
}

TEST(EncodingDetection, GbAndBig5SubtitlesStayBig5)
{
    QFile sample(QStringLiteral(SUBBIG5_SOURCE_DIR "/samples/gb2312-subtitle.srt"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    EXPECT_EQ(document::detectEncoding(sample.readAll()), Encoding::Big5);

    std::mt19937 rng(11);
    for (int round = 0; round < 4000; ++round) {
        const bool gb = round % 2 == 0;
        const QByteArray file = doubleByteSubtitle(rng, 1 + round % 5, gb);
        ASSERT_EQ(document::detectEncoding(file), Encoding::Big5) << (gb ? "GB2312 " : "Big5 ") << file.toHex().toStdString();
    }
    // Too short to tell: a byte pair or two that happen to be valid UTF-8 stay Big5.
    EXPECT_EQ(document::detectEncoding("\xC4\xA1"), Encoding::Big5);             // GB2312 pair, also "ġ"
    EXPECT_EQ(document::detectEncoding("ok \xC3\xA9\xC3\xA8\r\n"), Encoding::Big5);   // two Big5 characters
    // Fewer than four sequences that also pair as Big5 tell nothing; four do.
    EXPECT_EQ(document::detectEncoding("\xC3\xA9\xC3\xA8\xC3\xA9"), Encoding::Big5);
    EXPECT_EQ(document::detectEncoding("\xC3\xA9\xC3\xA8\xC3\xA9\xC3\xA8"), Encoding::Utf8);
}

TEST(EncodingRoundTrip, EveryEncodingGivesBackItsBytes)
{
    const QString text = u8("字幕 第一行\r\n𠮷野家 😂\nlone CR\rend \u00A0ÿ");
    for (Encoding e : {Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE, Encoding::Gb18030}) {
        std::vector<cp950::Unencodable> misses;
        const QByteArray bytes = document::encodeText(text, e, &misses);
        EXPECT_TRUE(misses.empty());
        EXPECT_EQ(document::decodeText(bytes, e), text) << document::encodingName(e).toStdString();
        EXPECT_EQ(document::encodingFromBom(bytes).has_value(), document::hasByteOrderMark(e));
    }
    // GB18030 holds characters beyond the BMP in four bytes.
    EXPECT_EQ(document::encodeText(u8("𠮷😂"), Encoding::Gb18030), QByteArray("\x95\x34\xB2\x35\x94\x39\xFC\x38"));

    // Bytes that are not the encoding's survive as they were, whatever they are.
    std::mt19937 rng(5);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        for (int i = int(rng() % 24); i > 0; --i)
            bytes += char(rng() % 3 == 0 ? 'a' + rng() % 3 : 0x80 + rng() % 128);
        const Encoding e = std::array{Encoding::Utf8, Encoding::Utf16LE, Encoding::Utf16BE, Encoding::Gb18030}[round % 4];
        if (document::hasByteOrderMark(e))
            bytes.prepend(document::encodeText(QString(), e));
        const QString read = document::decodeText(bytes, e);
        for (qsizetype i = 0; i < read.size(); ++i) {   // the text area cannot hold a lone surrogate
            if (read[i].isHighSurrogate())
                ASSERT_TRUE(i + 1 < read.size() && read[++i].isLowSurrogate());
            else
                ASSERT_FALSE(read[i].isLowSurrogate());
        }
        ASSERT_EQ(document::encodeText(read, e), bytes) << document::encodingName(e).toStdString() << " "
                                                        << bytes.toHex().toStdString();
    }
    // A file that really holds a reserved code point keeps it as bytes, so it comes back too.
    const QByteArray reserved = u8("a\U0010FF81b").toUtf8();
    EXPECT_EQ(document::encodeText(document::decodeText(reserved, Encoding::Utf8), Encoding::Utf8), reserved);
}

TEST(EncodingRoundTrip, ALoneUtf16UnitBecomesAQuestionMarkInUtf8Only)
{
    std::vector<cp950::Unencodable> misses;
    const QString lone = document::decodeText(QByteArray("\xFF\xFE\x3D\xD8" "a\0", 6), Encoding::Utf16LE);
    EXPECT_EQ(document::encodeText(lone, Encoding::Utf8, &misses), QByteArray("?a"));
    EXPECT_EQ(misses.size(), 1u);
    EXPECT_EQ(document::encodeText(lone, Encoding::Utf16LE), QByteArray("\xFF\xFE\x3D\xD8" "a\0", 6));
}

} // namespace
