// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/codepage.h"
#include "correct/correction.h"
#include "correct/correction_list.h"
#include "tests/correct/naive_correction.h"
#include "tests/correct/subtitle_sample.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

// Expects the fast pass and the row-by-row reference to agree on `text`.
void expectSameAsReference(const QString& text)
{
    ASSERT_EQ(correction::correctSubtitles(text), naive::correctSubtitles(text)) << "input: " << text.left(200).toStdString();
}

// Pieces random texts are made of: whole find strings and replacements (so rows meet
// the text a previous row left), their single characters, and a few characters no row reads.
std::vector<QString> listPieces()
{
    std::vector<QString> pieces;
    for (const CorrectionRow& row : correctionList()) {
        for (std::u16string_view s : {row.find, row.replacement}) {
            pieces.push_back(naive::view(s).toString());
            for (char16_t c : s)
                pieces.push_back(QString(QChar(c)));
        }
    }
    for (const char* other : {"的", "。", "\r\n", "a", " "})
        pieces.push_back(u8(other));
    return pieces;
}

QString randomText(std::mt19937& rng, const std::vector<QString>& pieces, int maxPieces)
{
    const int count = std::uniform_int_distribution<int>(0, maxPieces)(rng);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    QString text;
    for (int i = 0; i < count; ++i)
        text += pieces[pick(rng)];
    return text;
}

} // namespace

TEST(CorrectSubtitles, MendsWhatTheConversionGetsWrong)
{
    const struct { const char* in; const char* out; } cases[] = {
        {"儿子", "兒子"}, {"体育", "體育"}, {"體", "體"},
        {"干", "幹"}, {"干擾", "干擾"}, {"餅干", "餅乾"}, {"干杯", "乾杯"},
        {"干嗎", "幹嘛"}, {"干干淨淨", "乾乾淨淨"}, {"不相干", "不相干"},
        {"古人云", "古人云"}, {"子云", "子云"}, {"云", "雲"}, {"白云", "白雲"},
        {"后來", "後來"}, {"皇后", "皇后"}, {"后羿", "后羿"}, {"皇太后", "皇太后"},
        {"母后", "母后"}, {"蟻后", "蟻后"}, {"尼多后", "尼多后"}, {"后座", "后座"}, {"王后", "王后"}, {"仙后", "仙后"},
        {"么", "麼"}, {"老么", "老么"}, {"什么", "什麼"},
        {"游泳", "游泳"}, {"游戲", "遊戲"}, {"神游", "神遊"},
        {"本周", "本週"}, {"一周", "一週"}, {"四周", "四週"}, {"周刊", "週刊"}, {"周", "周"},
        {"面包", "麵包"}, {"見面", "見面"}, {"制作", "製作"}, {"復制", "複製"}, {"定制", "訂製"},
        {"頭發", "頭髮"}, {"發型", "髮型"}, {"發現", "發現"}, {"這里", "這裡"}, {"閑話", "閒話"},
        {"典范", "典範"}, {"范疇", "範疇"}, {"關系", "關係"}, {"呆在這", "待在這"}, {"呆不住", "待不住"},
        {"內存", "記憶體"}, {"內存內存", "記憶體記憶體"}, {"內內存存", "內記憶體存"},
        {"叔嬸", "嬸嬸"},
        {"后來他在家里吃了碗牛肉面，\r\n干杯！", "後來他在家裡吃了碗牛肉麵，\r\n乾杯！"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(correction::correctSubtitles(u8(c.in)), u8(c.out));
        EXPECT_EQ(naive::correctSubtitles(u8(c.in)), u8(c.out));
    }
}

TEST(CorrectSubtitles, SecondRunSeesWhatLaterRowsLeft)
{
    // Row 75 makes 幹, row 214 makes 係數; only the second run's row 81 sees 幹係.
    EXPECT_EQ(naive::correctSubtitles(u8("干系數"), 1), u8("幹係數"));
    EXPECT_EQ(naive::correctSubtitles(u8("干系數")), u8("干係數"));
    EXPECT_EQ(correction::correctSubtitles(u8("干系數")), u8("干係數"));
    EXPECT_EQ(correction::correctSubtitles(u8("這個干系數很大")), u8("這個干係數很大"));
}

TEST(CorrectSubtitles, LeavesTextWithoutFindStringsAlone)
{
    EXPECT_TRUE(correction::correctSubtitles(QString()).isEmpty());
    const QString plain = u8("1\r\n00:00:01,000 --> 00:00:02,500\r\n你好嗎？\r\n\r\n"
                             "Hello\nworld\r\r\n\t謝謝。\U0002000B end\r\n");
    EXPECT_EQ(correction::correctSubtitles(plain), plain);
    // Characters that only take part in longer words stay when alone.
    const QString partial = u8("周 游 松 面 里 系 發 制 呆 閑 內 存\r\n");
    EXPECT_EQ(correction::correctSubtitles(partial), partial);
}

TEST(CorrectSubtitles, MatchesTheRowByRowPassOnRandomListText)
{
    const std::vector<QString> pieces = listPieces();
    std::mt19937 rng(20240611);
    for (int i = 0; i < 3000; ++i)
        expectSameAsReference(randomText(rng, pieces, 24));
    for (int i = 0; i < 5; ++i)
        expectSameAsReference(randomText(rng, pieces, 4000));
    // Runs of overlapping chain material, such as 干系數 and 內存 next to their neighbours.
    std::vector<QString> chain;
    for (QChar c : u8("干系數幹係內存記游標后皇么老云子周本"))
        chain.push_back(QString(c));
    for (int i = 0; i < 500; ++i)
        expectSameAsReference(randomText(rng, chain, 8));
}

TEST(CorrectSubtitles, MatchesTheRowByRowPassOnSubtitleText)
{
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        const QString text = sample::subtitleText(seed, 60000);
        const QString fast = correction::correctSubtitles(text);
        EXPECT_EQ(fast, naive::correctSubtitles(text));
        EXPECT_NE(fast, text);
        EXPECT_FALSE(fast.contains(u8("后來")));
    }
}

TEST(CorrectionList, EveryRowSurvivesABig5Save)
{
    const auto list = correctionList();
    ASSERT_EQ(list.size(), 265u);
    for (const CorrectionRow& row : list) {
        const QString find = naive::view(row.find).toString(), with = naive::view(row.replacement).toString();
        SCOPED_TRACE((find + " -> " + with).toStdString());
        ASSERT_TRUE(find.size() >= 1 && find.size() <= 4 && with.size() >= 1 && with.size() <= 4);
        EXPECT_TRUE(with.size() == find.size() || find == u8("內存")); // the one row that lengthens
        EXPECT_TRUE(cp950::canEncode(find) && cp950::canEncode(with));
        for (QChar c : find)
            EXPECT_TRUE(c.unicode() >= 0x3400 && c.unicode() < 0xA000) << "not a Chinese character";
    }
}
