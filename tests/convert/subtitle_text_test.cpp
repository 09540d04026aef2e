// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/subtitle_text.h"
#include "tests/support/test_util.h"

#include <QFile>
#include <gtest/gtest.h>

using testutil::u8;

namespace {

// A stand-in conversion that a test can read at a glance: 简 -> 繁 per character, and the
// word AB -> XYZ, reported as a length change.
subtitle::Converted toyConversion(QStringView in)
{
    subtitle::Converted out{QString(), std::vector<convert::LengthChange>{}};
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in.sliced(i).startsWith(u"AB")) {
            out.changes->push_back({i, 2, 3});
            out.text += u"XYZ";
            ++i;
        } else {
            out.text += in[i] == u'简' ? QChar(u'繁') : in[i];
        }
    }
    return out;
}

QString convert(const QString& text)
{
    return subtitle::convertReadable(text, toyConversion);
}

TEST(SubtitleFormat, OnlyAScriptInfoHeaderMakesAnAssFile)
{
    EXPECT_EQ(subtitle::detectFormat(u"\r\n  [Script Info]\r\nTitle: x"), subtitle::Format::Ass);
    EXPECT_EQ(subtitle::detectFormat(u"\uFEFF[script info]\n"), subtitle::Format::Ass);
    EXPECT_EQ(subtitle::detectFormat(u"1\r\n00:00:01,000 --> 00:00:02,000\r\n[Script Info]\r\n"), subtitle::Format::Plain);
    EXPECT_EQ(subtitle::detectFormat(u8("[开场音乐]\r\n1\r\n")), subtitle::Format::Plain);
    EXPECT_EQ(subtitle::detectFormat(u""), subtitle::Format::Plain);
}

TEST(SubtitleText, SrtCueNumbersTimecodesAndFontFacesStay)
{
    const QString srt = u8("1\r\n00:00:01,000 --> 00:00:03,500\r\n<font face=\"简体\">简<i>AB</i>简</font>\r\n\r\n"
                           "2\r\n00:00:04,000 --> 00:00:06,200\r\n< 3 简 <简> a<b\r\n");
    EXPECT_EQ(convert(srt), u8("1\r\n00:00:01,000 --> 00:00:03,500\r\n<font face=\"简体\">繁<i>XYZ</i>繁</font>\r\n\r\n"
                               "2\r\n00:00:04,000 --> 00:00:06,200\r\n< 3 繁 <繁> a<b\r\n"));
}
TEST(SubtitleText, SrtMadeFromAssKeepsItsOverrideBlocks)
{
    // {\an8} and {\fn简体} are markup; an unclosed "{" and braces without a backslash are text.
    EXPECT_EQ(convert(u8("1\r\n00:00:01,000 --> 00:00:02,000\r\n{\\an8}{\\fn简体}简{\\i1}AB\r\n{简 {简}\r\n")),
              u8("1\r\n00:00:01,000 --> 00:00:02,000\r\n{\\an8}{\\fn简体}繁{\\i1}XYZ\r\n{繁 {繁}\r\n"));
    EXPECT_FALSE(subtitle::readsWhole(u8("{\\fn简体}简")));
}

TEST(SubtitleText, AMarkInsideAStretchThatChangedLengthGoesToItsEnd)
{
    EXPECT_EQ(convert(u8("A<i>B简")), u8("XYZ<i>繁"));
    EXPECT_EQ(convert(u8("<i>AB</i>")), u8("<i>XYZ</i>"));
    // Without the conversion's word, lines are lined up by the characters it left alone.
    const auto noChanges = [](QStringView in) {
        return subtitle::Converted{in.toString().replace(u8("内存"), u8("記憶體")).replace(u'软', u'軟'), std::nullopt};
    };
    EXPECT_EQ(subtitle::convertReadable(u8("软<i>件</i>和内<b>存</b>"), noChanges), u8("軟<i>件</i>和記憶體<b></b>"));
}

TEST(SubtitleText, AssConvertsDialogueTextOnlyAndSeesThroughTags)
{
    QFile file(QStringLiteral(SUBBIG5_SOURCE_DIR "/tests/convert/data/fansub.ass"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString ass = QString::fromUtf8(file.readAll());
    const QString out = subtitle::convertReadable(ass, [](QStringView in) {
        // Marks where the conversion saw a word across an override block: 制药 arrives whole.
        return subtitle::Converted{in.toString().replace(u8("明治制药"), u8("明治製藥")), std::nullopt};
    });
    const QStringList before = ass.split(u'\n');
    const QStringList after = out.split(u'\n');
    ASSERT_EQ(before.size(), after.size());
    int changed = 0;
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (before[i] == after[i])
            continue;
        ++changed;
        EXPECT_TRUE(before[i].startsWith("Dialogue:")) << after[i].toStdString();
    }
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(out.contains(u8("{\\fn微软雅黑}这里是明治製{\\fsp2}藥的台湾分公司")));

    // The text begins after the ninth comma: the Effect field before it stays.
    const QString effect = u8("[Script Info]\r\n[Events]\r\nDialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,字,字\r\n");
    const QString converted = subtitle::convertReadable(effect, [](QStringView in) {
        return subtitle::Converted{in.toString().replace(u8("字"), u8("X")), std::nullopt};
    });
    EXPECT_TRUE(converted.contains(u8(",0,字,X\r\n"))) << converted.toStdString();
}

} // namespace
