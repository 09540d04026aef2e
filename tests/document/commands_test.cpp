// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/codepage.h"
#include "document/commands.h"
#include "document/encoding.h"
#include "tests/support/test_util.h"

#include <QFile>
#include <gtest/gtest.h>

#include <random>

using document::Command;
using document::Encoding;
using testutil::u8;

namespace {

QString fansub()
{
    QFile file(QStringLiteral(SUBBIG5_SOURCE_DIR "/tests/convert/data/fansub.ass"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The lines that differ between two texts of the same number of lines.
QStringList changedLines(const QString& before, const QString& after)
{
    const QStringList a = before.split(u'\n'), b = after.split(u'\n');
    QStringList changed;
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] != b[i])
            changed << a[i];
    }
    return a.size() == b.size() ? changed : QStringList{"(line count changed)"};
}

TEST(SubtitleCommands, AnAssFileHasOnlyItsDialogueConverted)
{
    const QString ass = fansub();
    ASSERT_FALSE(ass.isEmpty());
    const QString converted = document::runCommand(Command::GbToBig5, ass, Encoding::Utf8).text;
    for (Command c : {Command::GbToBig5, Command::Phrase, Command::Correct}) {
        // The correction list speaks Traditional: it runs on what 簡轉繁 made.
        const QString& input = c == Command::Correct ? converted : ass;
        const document::CommandResult r = document::runCommand(c, input, Encoding::Utf8);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        const QStringList changed = changedLines(input, r.text);
        EXPECT_FALSE(changed.isEmpty());
        for (const QString& line : changed)
            EXPECT_TRUE(line.startsWith("Dialogue:")) << line.toStdString();
        // Font names, in styles and in override tags, and every block stay byte for byte.
        EXPECT_TRUE(r.text.contains(u8("Style: Default,方正黑体_GBK,60")));
        EXPECT_TRUE(r.text.contains(u8("{\\fn微软雅黑}")));
        EXPECT_TRUE(r.text.contains(u8("{\\an8\\pos(960,50)}")));
        EXPECT_TRUE(r.text.contains(u8("Comment: 0,0:00:06.50,0:00:09.00,Default,,0,0,0,,这一行先注释掉，以后再用")));
    }
    // A tag inside a word no longer hides the word from the phrase step.
    const QString p = document::runCommand(Command::Phrase, ass, Encoding::Utf8).text;
    EXPECT_TRUE(p.contains(u8("這裡是明治製{\\fsp2}藥的台灣分公司"))) << p.toStdString();
    EXPECT_TRUE(p.contains(u8("我們的軟體和記憶體都很好用\\N你覺得呢？")));
}

TEST(SubtitleCommands, TheCorrectionSeesThroughTagsAndPutsThemBackAfterALongerWord)
{
    const QString srt = u8("1\r\n00:00:01,000 --> 00:00:02,000\r\n<i>軟</i>件和內<b>存</b>\r\n");
    const document::CommandResult r = document::runCommand(Command::Correct, srt, Encoding::Utf8);
    EXPECT_EQ(r.text, u8("1\r\n00:00:01,000 --> 00:00:02,000\r\n<i>軟</i>體和記憶體<b></b>\r\n"));
}

TEST(PhraseCommand, ReadsTheBig5RoadsBytesAsGb18030)
{
    // A GBK subtitle opened as Big5: the bytes come back as the characters they are, GBK's too.
    const QByteArray gbk = document::encodeText(u8("1\r\n朱镕基说：台湾的软件很好用，干杯！\r\n"), Encoding::Gb18030);
    const QString shown = cp950::decode(gbk);
    const document::CommandResult r = document::runCommand(Command::Phrase, shown, Encoding::Big5);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.text, u8("1\r\n朱鎔基說：台灣的軟體很好用，乾杯！\r\n"));

    // In an ASS file only the Dialogue text is read; every other line keeps its bytes.
    const QByteArray kept = document::encodeText(u8("[Script Info]\r\nTitle: 这个软件\r\n; 这个内存\r\n[Events]\r\n"
                                                    "Comment: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,这个软件\r\n"
                                                    "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0这个软件\r\n"), Encoding::Gb18030);
    const QString ass = cp950::decode(kept + document::encodeText(u8("Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,干杯{\\i1}吧\r\n"), Encoding::Gb18030));
    const document::CommandResult a = document::runCommand(Command::Phrase, ass, Encoding::Big5);
    ASSERT_TRUE(a.ok);
    const QByteArray saved = cp950::encode(a.text);
    EXPECT_TRUE(saved.startsWith(kept)) << a.text.toStdString();
    EXPECT_TRUE(a.text.endsWith(u8(",,乾杯{\\i1}吧\r\n"))) << a.text.toStdString();
}

TEST(PhraseCommand, OnTheBig5RoadStrayBytesAndCharactersBeyondBig5Survive)
{
    // A lead byte before a space, 0x80, 0xFF and a lead byte at the end start no GB18030
    // character; 😂 and 한 have no code page 950 bytes at all. All come through as they were.
    const QByteArray gb("a\xB0 \x80\xFF\xCE\xD2\xB0", 8);
    const QString shown = cp950::decode(gb) + u8("😂한");
    const document::CommandResult r = document::runCommand(Command::Phrase, shown, Encoding::Big5);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.text.contains(u8("我")));
    EXPECT_TRUE(r.text.endsWith(u8("😂한")));
    QString rest = r.text;
    rest.remove(u8("我"));
    rest.chop(3);
    EXPECT_EQ(cp950::encode(rest), QByteArray("a\xB0 \x80\xFF\xB0"));
}

TEST(PhraseCommand, GbToBigReportsBlankedCharactersOnReadableTextOnly)
{
    const QString srt = u8("1\r\n00:00:01,000 --> 00:00:02,000\r\nā\r\n");
    const document::CommandResult r = document::runCommand(Command::GbToBig5, srt, Encoding::Utf8);
    EXPECT_EQ(r.findings.blanked, 1);
    EXPECT_EQ(r.findings.blankedLine, 3);
}

} // namespace

namespace {

TEST(PhraseCommand, ATextAlreadyTraditionalBig5IsToldFromAGbFileReadAsBig5)
{
    QFile sample(QStringLiteral(SUBBIG5_SOURCE_DIR "/samples/gb2312-subtitle.srt"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    EXPECT_FALSE(document::looksTraditionalBig5(sample.readAll()));

    // Random subtitles of everyday words, each in its own script; and random level-1 GB2312
    // characters, which no frequent-character count helps with.
    const QString traditional = u8("我們今天晚上一起去看電影吧這個問題很難回答你說的對時間過得真快謝謝幫忙沒關係還有誰會來嗎");
    const QString simplified = u8("我们今天晚上一起去看电影吧这个问题很难回答你说的对时间过得真快谢谢帮忙没关系还有谁会来吗");
    ASSERT_EQ(traditional.size(), simplified.size());
    std::mt19937 rng(23);
    for (int round = 0; round < 3000; ++round) {
        QString trad, simp;
        QByteArray gb;
        for (int n = 8 + int(rng() % 30); n > 0; --n) {   // a few characters may tell nothing
            const qsizetype at = qsizetype(rng() % traditional.size());
            trad += traditional[at];
            simp += simplified[at];
            const unsigned lead = 0xB0 + rng() % 40;
            gb.append(char(lead)).append(char(0xA1 + rng() % (lead == 0xD7 ? 89 : 94)));
            if (rng() % 7 == 0) {
                trad += u8("，\r\n");
                simp += u8("，\r\n");
                gb += "\xA3\xAC\r\n";
            }
        }
        ASSERT_TRUE(document::looksTraditionalBig5(cp950::encode(trad))) << trad.toStdString();
        ASSERT_FALSE(document::looksTraditionalBig5(document::encodeText(simp, Encoding::Gb18030))) << simp.toStdString();
        ASSERT_FALSE(document::looksTraditionalBig5(gb)) << gb.toHex().toStdString();
    }
    // Each of the frequent Traditional characters counts, read in step with the code page after a
    // byte that starts no pair.
    for (const QChar c : u8("的一是不了人我在有他這個們中來上大為和國地到以說時要就出會可也你對生能而子那得於著下自之年"
                            "過發後作裡用道行所然家種事成方多經麼去法學如都同現當沒動面起看定天分還進好小部其些主樣理心她"
                            "本前開但因只從想實嗎吧呢啊什誰話")) {
        const QByteArray three = cp950::encode(QString(c).repeated(3));
        EXPECT_TRUE(document::looksTraditionalBig5(three)) << QString(c).toStdString();
        EXPECT_TRUE(document::looksTraditionalBig5("\x81\r\n" + three)) << QString(c).toStdString();
    }
    EXPECT_TRUE(document::alreadyInTheFormItMakes(Command::Phrase, traditional, Encoding::Big5));
    EXPECT_FALSE(document::alreadyInTheFormItMakes(Command::Big5ToGb, traditional, Encoding::Big5));
    EXPECT_FALSE(document::alreadyInTheFormItMakes(Command::GbToBig5, traditional, Encoding::Utf8));
}

} // namespace
