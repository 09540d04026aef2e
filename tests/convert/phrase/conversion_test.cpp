// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/phrase/conversion.h"
#include "convert/phrase/converter.h"
#include "convert/phrase/dictionary.h"
#include "convert/phrase/preferences.h"

#include <gtest/gtest.h>

#include <opencc/DictEntry.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>
#include <opencc/SimpleConverter.hpp>
#include <opencc/TextDict.hpp>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <functional>

#include "tests/support/test_util.h"

namespace {

using testutil::u8;

QString tw(const char* simplified)
{
    const phrase::Result r = phrase::toTaiwan(u8(simplified));
    EXPECT_TRUE(r.ok) << qPrintable(r.error);
    return r.text;
}

TEST(PhraseStep, WritesWhereOpenccsTaiwanFormsGoAgainstEverydayUse)
{
    EXPECT_EQ(phrase::unavailableReason(), QString()) << "Debian's OpenCC data is enough";
    // 台 for stages, platforms and machines; 了解; 盡量; 只 as "only" after 是.
    EXPECT_EQ(tw("舞台上放着一台电脑，平台很稳。"), u8("舞台上放著一台電腦，平台很穩。"));
    EXPECT_EQ(tw("我想深入了解一下，请尽量早点来，尽快回复。"),
              u8("我想深入了解一下，請盡量早點來，盡快回覆。"));
    EXPECT_EQ(tw("可是还是只有一两位，而是只用原来的。"), u8("可是還是只有一兩位，而是只用原來的。"));
    EXPECT_EQ(tw("把游标移到这里，这里一目了然。"), u8("把游標移到這裡，這裡一目了然。"));
    EXPECT_EQ(tw("几周前的环境污染"), u8("幾週前的環境污染"));
    // The forms the Ministry of Education lists first, where OpenCC picks a variant.
    EXPECT_EQ(tw("这个计划很好，计划书写好了。"), u8("這個計畫很好，計畫書寫好了。"));
    EXPECT_EQ(tw("政府宣布了新政策，名单明天公布，房间里没有家具。"),
              u8("政府宣布了新政策，名單明天公布，房間裡沒有家具。"));
    EXPECT_EQ(tw("我的衣服都湿透了，学生不准进入。"), u8("我的衣服都濕透了，學生不准進入。"));
    EXPECT_EQ(tw("请尽可能尽早回复，记得按赞。"), u8("請盡可能盡早回覆，記得按讚。"));
    EXPECT_EQ(tw("这只能说明一切回归正常。"), u8("這只能說明一切回歸正常。"));
    // Swimming and names: 游 and 郁 outside OpenCC's phrases.
    EXPECT_EQ(tw("他游得比我快，游过了河。"), u8("他游得比我快，游過了河。"));
    EXPECT_EQ(tw("王郁伦说"), u8("王郁倫說"));
}

TEST(PhraseStep, WritesWhatATaiwaneseEditorWouldPublish)
{
    // Mainland vocabulary becomes Taiwan's.
    EXPECT_EQ(tw("这个软件的硬件要求很高"), u8("這個軟體的硬體要求很高"));
    EXPECT_EQ(tw("请把视频上传到网络上"), u8("請把影片上傳到網路上"));
    EXPECT_EQ(tw("打印机没有默认的信息"), u8("印表機沒有預設的訊息"));
    EXPECT_EQ(tw("头发干了，衣服也干了"), u8("頭髮乾了，衣服也乾了"));
    EXPECT_EQ(tw("鼠标和内存都坏了"), u8("滑鼠和記憶體都壞了"));
    EXPECT_EQ(tw("初中的晚饭是咖喱，堵车了请联系我"), u8("國中的晚餐是咖哩，塞車了請聯絡我"));
    EXPECT_EQ(tw("屏幕上的短信说冰激凌和魔芋都卖完了"), u8("螢幕上的簡訊說冰淇淋和蒟蒻都賣完了"));
    // Register, interjections and standard forms.
    EXPECT_EQ(tw("诶？干得好，疼死了，在这儿呢"), u8("欸？做得好，痛死了，在這裡呢"));
    EXPECT_EQ(tw("从今往后要直面它，小菜一碟"), u8("從今以後要面對它，小事一樁"));
    EXPECT_EQ(tw("要上咯！别想象了，拼命跑，要开始喽"), u8("要上囉！別想像了，拚命跑，要開始囉"));
    EXPECT_EQ(tw("注定被欲望吞噬，散布粘液"), u8("注定被欲望吞噬，散布黏液"));
    // Context: software and quality in their phrases, procedure, mass and relations alone.
    EXPECT_EQ(tw("程序员写的应用程序，质量问题"), u8("程式設計師寫的應用程式，品質問題"));
    EXPECT_EQ(tw("法律程序和物体的质量"), u8("法律程序和物體的質量"));
    EXPECT_EQ(tw("两者有联系，人脉网络很广"), u8("兩者有聯繫，人脈網絡很廣"));
    EXPECT_EQ(tw("他心疼孩子，干部干活"), u8("他心疼孩子，幹部幹活"));
    EXPECT_EQ(tw("真头疼，好疼啊"), u8("真頭疼，好疼啊"));   // the groups keep 疼 but in 痛死
}

TEST(PhraseStep, NamesKeepTheirCharacters)
{
    EXPECT_EQ(tw("美里和岩田，托马斯"), u8("美里和岩田，托馬斯"));
    EXPECT_EQ(tw("绘里、由里、里奈和岩崎"), u8("繪里、由里、里奈和岩崎"));
    EXPECT_EQ(tw("岩石里面"), u8("岩石裡面"));
    EXPECT_EQ(tw("依里和神里在海里，有栖也在"), u8("依里和神里在海裡，有栖也在"));
}

TEST(PhraseStep, PreferencesSwapEachSplitFormBothWays)
{
    const char* in = "台上里面有什么计划，伙伴哦，著名的人看着";
    phrase::Preferences all = 0;
    QString error;
    ASSERT_TRUE(phrase::parsePreferences(u8("臺,裏，甚麼、計劃,伙伴,喔,着"), &all, &error)) << qPrintable(error);
    phrase::setPreferences(all);
    EXPECT_EQ(tw(in), u8("臺上裏面有甚麼計劃，伙伴喔，著名的人看着"));   // 著名 is never 着名
    phrase::Preferences back = all;
    ASSERT_TRUE(phrase::parsePreferences(u8("台,裡,什麼,計畫,夥伴,哦,著"), &back, &error));
    EXPECT_EQ(back, 0u);
    phrase::setPreferences(back);
    EXPECT_EQ(tw(in), u8("台上裡面有什麼計畫，夥伴哦，著名的人看著"));
    EXPECT_EQ(phrase::preferencesText(all), u8("臺,裏,甚麼,計劃,伙伴,喔,着"));
    EXPECT_FALSE(phrase::parsePreferences(u8("臺灣"), &back, &error));
    EXPECT_TRUE(error.contains(u8("臺灣"))) << qPrintable(error);
}

TEST(PhraseStep, KeepsRareOpenccPhrasesFromFiringAcrossWords)
{
    // A Taiwanese word in Simplified characters is not split by a longer OpenCC phrase.
    EXPECT_EQ(tw("请洽硬体制造商"), u8("請洽硬體製造商"));
    EXPECT_EQ(tw("两个部会里面"), u8("兩個部會裡面"));
    // 明瞭, 生髮, 被髮 and the city of Riga are not what these sentences say.
    EXPECT_EQ(tw("爱迪生发明了电灯。"), u8("愛迪生發明了電燈。"));
    EXPECT_EQ(tw("新版本被发布出去，总发行量很大。"), u8("新版本被發佈出去，總發行量很大。"));
    EXPECT_EQ(tw("在 XML 里加上一行"), u8("在 XML 裡加上一行"));
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
    // Longer OpenCC phrases outlive the project's shorter entries: regression is 迴歸,
    // a complication 併發症, sadness 憂鬱, travel and games 遊.
    EXPECT_EQ(tw("做个线性回归和回归测试"), u8("做個線性迴歸和迴歸測試"));
    EXPECT_EQ(tw("并发问题和并发症"), u8("並發問題和併發症"));
    EXPECT_EQ(tw("他很忧郁，去旅游玩游戏"), u8("他很憂鬱，去旅遊玩遊戲"));
    EXPECT_EQ(tw("说明简单明了"), u8("說明簡單明瞭"));
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
    // A U+FEFF at the start is text (a later part of a streamed file may begin with one).
    EXPECT_EQ(phrase::toTaiwan(QChar(0xFEFF) + u8("后来")).text, QChar(0xFEFF) + u8("後來"));
}

// The step as it ran before the table was compiled ahead: the merged entries in OpenCC's
// marisa trie, the longest match at each place.
class MarisaReference {
public:
    MarisaReference()
    {
        QString error;
        phrase::Entries merged;
        EXPECT_TRUE(phrase::mergeEntries(phrase::openccDataDir(), phrase::builtInDictionaryText(), &merged, &error))
            << qPrintable(error);
        auto lexicon = std::make_shared<opencc::Lexicon>();
        for (const auto& [key, value] : merged)
            lexicon->Add(opencc::DictEntryFactory::New(key, value));
        dict_ = opencc::MarisaDict::NewFromDict(opencc::TextDict(lexicon));
    }
    std::string convert(std::string_view text) const
    {
        std::string out;
        const char* p = text.data();
        const char* const end = p + text.size();
        while (p < end) {
            const auto match = dict_->MatchPrefix(p, std::min<size_t>(dict_->KeyMaxLength(), size_t(end - p)));
            if (match.IsNull()) {
                const auto lead = static_cast<unsigned char>(*p);
                const size_t n = std::min<size_t>(lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4, size_t(end - p));
                out.append(p, n);
                p += n;
            } else {
                out += match.Get()->GetDefault();
                p += match.Get()->KeyLength();
            }
        }
        return out;
    }

private:
    opencc::MarisaDictPtr dict_;
};

TEST(PhraseStep, TheCompiledTableWritesWhatTheMergedDictionariesWrite)
{
    const MarisaReference reference;
    const opencc::SimpleConverter toSimplified(
        QDir(phrase::openccDataDir()).filePath(QStringLiteral("t2s.json")).toStdString());
    std::vector<std::string> texts = {
        std::string("后面") + '\0' + "😀后\xF4\x8F\xBE\xB0后来",   // NUL, beyond the BMP, reserved
        "\x80后\xE5\x90后\xE5后\xED\xA0\x80头发发现\xF0\x9F", // stray, cut and surrogate bytes
        "干净的干部喝干了，尽管这只猫很乖，被发布出去",
    };
    const QDir corpus(QStringLiteral(SUBBIG5_CORPUS_DIR));
    for (const QString& half : {QStringLiteral("dev"), QStringLiteral("check")})
        for (const QFileInfo& file : QDir(corpus.filePath(half)).entryInfoList({QStringLiteral("*.txt")})) {
            QFile f(file.filePath());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(file.filePath());
            const QByteArray traditional = f.readAll();
            texts.push_back(traditional.toStdString());
            texts.push_back(toSimplified.Convert(traditional.toStdString()));
        }
    ASSERT_GT(texts.size(), 10u);
    QString error;
    const auto built = phrase::Converter::load(phrase::openccDataDir(), phrase::builtInDictionaryText(), &error);
    ASSERT_NE(built, nullptr) << qPrintable(error);
    for (const std::string& text : texts) {
        const std::string expected = reference.convert(text);
        EXPECT_EQ(built->convertUtf8(text), expected) << text.substr(0, 60);
        // The program's own table, and the UTF-16 road with its length changes.
        if (QString::fromUtf8(text).toUtf8().toStdString() == text) {
            EXPECT_EQ(phrase::toTaiwan(QString::fromUtf8(text)).text.toStdString(), expected) << text.substr(0, 60);
        }
    }
}

// Copies of the compiled table, each damaged in one way.
TEST(PhraseStep, ADamagedTableIsRefusedNotRead)
{
    QString error;
    phrase::Entries merged;
    ASSERT_TRUE(phrase::mergeEntries(phrase::openccDataDir(), phrase::builtInDictionaryText(), &merged, &error));
    const QByteArray good = phrase::Converter::compile(merged, &error);
    ASSERT_NE(phrase::Converter::fromTable(good, &error), nullptr) << qPrintable(error);

    auto word = [](QByteArray* t, qsizetype at, quint32 value) { std::memcpy(t->data() + at, &value, 4); };
    auto headerWord = [&](qsizetype index) {
        quint32 v;
        std::memcpy(&v, good.constData() + 8 + 4 * index, 4);
        return v;
    };
    const qsizetype phrasesAt = good.size() - qsizetype(headerWord(7)) - qsizetype(headerWord(5)) * 12;
    struct Damage { const char* what; std::function<void(QByteArray*)> apply; bool reseal; };
    const std::vector<Damage> damages = {
        {"empty", [](QByteArray* t) { t->clear(); }, false},
        {"cut short", [](QByteArray* t) { t->chop(1000); }, false},
        {"one byte longer", [](QByteArray* t) { t->append('\0'); }, false},
        {"a flipped bit in the header's magic", [](QByteArray* t) { (*t)[2] = char((*t)[2] ^ 1); }, false},
        {"a flipped bit in the page index", [](QByteArray* t) { (*t)[64 + 0x4E * 2] = char((*t)[64 + 0x4E * 2] ^ 4); }, false},
        {"a flipped bit in the middle", [](QByteArray* t) { (*t)[t->size() / 2] = char((*t)[t->size() / 2] ^ 0x10); }, false},
        {"a flipped bit in the last byte", [](QByteArray* t) { (*t)[t->size() - 1] = char((*t)[t->size() - 1] ^ 0x80); }, false},
        {"another version", [&](QByteArray* t) { word(t, 8, 2); }, true},
        {"a section size that does not add up", [&](QByteArray* t) { word(t, 8 + 4 * 4, headerWord(4) + 1); }, true},
        {"as many phrases as hash slots", [&](QByteArray* t) { word(t, 8 + 4 * 6, headerWord(5)); }, true},
        {"a page index past the pages", [&](QByteArray* t) { (*t)[64 + 0x4E * 2 + 1] = char(0x7F); }, true},
        {"a phrase key past the strings", [&](QByteArray* t) { word(t, phrasesAt, 0xFFFFFF00u); }, true},
        {"a phrase value past the strings", [&](QByteArray* t) { word(t, phrasesAt + 4, headerWord(7)); }, true},
    };
    for (const Damage& d : damages) {
        QByteArray copy = good;
        d.apply(&copy);
        if (d.reseal)
            phrase::Converter::seal(&copy);
        error.clear();
        EXPECT_EQ(phrase::Converter::fromTable(copy, &error), nullptr) << d.what;
        EXPECT_TRUE(error.contains(u8("損壞"))) << d.what << ": " << qPrintable(error);
    }
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

TEST_F(BrokenData, AMissingUnreadableOrBadFileIsNamed)
{
    QString error;
    EXPECT_NE(phrase::Converter::load(dir.path(), phrase::builtInDictionaryText(), &error), nullptr)
        << qPrintable(error);
    for (const QString& name : phrase::requiredOpenccFiles()) {
        const QString saved = path(name) + QStringLiteral(".saved");
        ASSERT_TRUE(QFile::rename(path(name), saved));
        const QString message = loadError();
        EXPECT_TRUE(message.contains(name) && message.contains(u8("找不到"))) << qPrintable(message);
        ASSERT_TRUE(QFile::rename(saved, path(name)));
    }
    EXPECT_EQ(phrase::Converter::load(dir.path(), u8("[simplified]\n台\n"), &error), nullptr);
    EXPECT_TRUE(error.contains(u8("第 2 行"))) << qPrintable(error);
    for (const QByteArray& junk : {QByteArray(), QByteArray("OPENCC_MARISA_0.2.5"), QByteArray(4096, 'x')}) {
        QFile f(path(QStringLiteral("TWVariants.ocd2")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(junk);
        f.close();
        const QString message = loadError();
        EXPECT_TRUE(message.contains(u8("TWVariants.ocd2"))) << qPrintable(message);
    }
}

} // namespace
