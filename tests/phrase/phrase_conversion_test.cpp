#include "convert/phrase_conversion.h"
#include "convert/phrase_converter.h"
#include "convert/phrase_dictionary.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/support/test_util.h"

namespace {

using testutil::u8;

QString tw(const char* simplified)
{
    const phrase::Result r = phrase::toTaiwan(u8(simplified));
    EXPECT_TRUE(r.ok) << qPrintable(r.error);
    return r.text;
}

TEST(PhraseStep, IsAvailableWithDebiansOpenccData)
{
    EXPECT_EQ(phrase::unavailableReason(), QString());
}

TEST(PhraseStep, WritesWhereOpenccsTaiwanFormsGoAgainstEverydayUse)
{
    // 台 for stages, platforms and machines; 了解; 盡量; 只 as "only" after 是.
    EXPECT_EQ(tw("舞台上放着一台电脑，平台很稳。"), u8("舞台上放著一台電腦，平台很穩。"));
    EXPECT_EQ(tw("我想深入了解一下，请尽量早点来，尽快回复。"),
              u8("我想深入了解一下，請盡量早點來，盡快回覆。"));
    EXPECT_EQ(tw("可是还是只有一两位，而是只用原来的。"), u8("可是還是只有一兩位，而是只用原來的。"));
    EXPECT_EQ(tw("把游标移到这里，这里一目了然。"), u8("把游標移到這裡，這裡一目了然。"));
    EXPECT_EQ(tw("几周前的环境污染"), u8("幾週前的環境污染"));
    // A Taiwanese word in Simplified characters is not split by a longer OpenCC phrase.
    EXPECT_EQ(tw("请洽硬体制造商"), u8("請洽硬體製造商"));
}

TEST(PhraseStep, KeepsOpenccsPhrasesAndTaiwanVariants)
{
    // One Simplified character, several Traditional ones: the phrase decides.
    EXPECT_EQ(tw("台风来了，台灯不亮，到柜台结账。"), u8("颱風來了，檯燈不亮，到櫃檯結賬。"));
    EXPECT_EQ(tw("头发发现理发"), u8("頭髮發現理髮"));
    EXPECT_EQ(tw("闹钟准时响，准备好了吗？"), u8("鬧鐘準時響，準備好了嗎？"));
    EXPECT_EQ(tw("复杂的复习，重复回复"), u8("複雜的複習，重複回覆"));
    EXPECT_EQ(tw("老板在里面吃面条，走了三公里。"), u8("老闆在裡面吃麵條，走了三公里。"));
    EXPECT_EQ(tw("干净的干部喝干了"), u8("乾淨的幹部喝乾了"));
    // The word stays whole: 儘管 is not 盡管, 這只貓 keeps its measure word.
    EXPECT_EQ(tw("尽管这只猫很乖"), u8("儘管這隻貓很乖"));
}

TEST(PhraseStep, LeavesEverythingButChineseAsItIs)
{
    const QString srt = u8("1\r\n00:00:01,000 --> 00:00:02,500\r\n<i>为什么？</i>\r\n\r\n");
    EXPECT_EQ(phrase::toTaiwan(srt).text, u8("1\r\n00:00:01,000 --> 00:00:02,500\r\n<i>為什麼？</i>\r\n\r\n"));
    // A NUL, a character outside the BMP and the reserved code point of a stray byte survive.
    QString odd = u8("后面") + QChar(0) + u8("😀后") + QString::fromUcs4(U"\U0010FFB0") + u8("后来");
    EXPECT_EQ(phrase::toTaiwan(odd).text,
              u8("後面") + QChar(0) + u8("😀後") + QString::fromUcs4(U"\U0010FFB0") + u8("後來"));
    EXPECT_EQ(phrase::toTaiwan(QString()).text, QString());
}

// A copy of OpenCC's data folder that the test can break.
class BrokenData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const QString& name : phrase::requiredOpenccFiles())
            ASSERT_TRUE(QFile::copy(QDir(phrase::openccDataDir()).filePath(name), path(name)));
    }
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QString loadError() const
    {
        QString error;
        const auto converter = phrase::Converter::load(dir.path(), phrase::builtInDictionaryText(), &error);
        EXPECT_EQ(converter, nullptr);
        return error;
    }
    QTemporaryDir dir;
};

TEST_F(BrokenData, AMissingFileIsNamed)
{
    QString error;
    EXPECT_NE(phrase::Converter::load(dir.path(), phrase::builtInDictionaryText(), &error), nullptr)
        << qPrintable(error);
    for (const QString& name : phrase::requiredOpenccFiles()) {
        const QString saved = path(name) + QStringLiteral(".saved");
        ASSERT_TRUE(QFile::rename(path(name), saved));
        const QString message = loadError();
        EXPECT_TRUE(message.contains(name)) << qPrintable(message);
        EXPECT_TRUE(message.contains(u8("找不到"))) << qPrintable(message);
        ASSERT_TRUE(QFile::rename(saved, path(name)));
    }
}

TEST_F(BrokenData, AnUnreadableFileIsNamedNotFatal)
{
    for (const QByteArray& junk : {QByteArray(), QByteArray("OPENCC_MARISA_0.2.5"), QByteArray(4096, 'x')}) {
        QFile f(path(QStringLiteral("TWVariants.ocd2")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(junk);
        f.close();
        const QString message = loadError();
        EXPECT_TRUE(message.contains(u8("TWVariants.ocd2"))) << qPrintable(message);
    }
}

TEST_F(BrokenData, ABadDictionaryLineIsNamed)
{
    QString error;
    EXPECT_EQ(phrase::Converter::load(dir.path(), u8("[simplified]\n台\n"), &error), nullptr);
    EXPECT_TRUE(error.contains(u8("第 2 行"))) << qPrintable(error);
}

} // namespace
