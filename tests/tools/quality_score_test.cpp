// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/quality/quality_entries.h"
#include "tools/quality/quality_report.h"
#include "tools/quality/quality_roads.h"
#include "tools/quality/quality_score.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/support/test_util.h"

namespace {

using testutil::u8;

TEST(QualityScore, CountsOnlyHanCharactersTheConverterGotWrong)
{
    // Same length: position by position; punctuation and Latin letters do not count.
    EXPECT_EQ(scoring::wrongHan(u8("我用滑鼠點選。OK"), u8("我用滑鼠點選，ok")), 0);
    EXPECT_EQ(scoring::wrongHan(u8("一台電腦"), u8("一臺電腦")), 1);
    // Different length: what the alignment cannot match, e.g. a word swapped for a shorter one.
    EXPECT_EQ(scoring::wrongHan(u8("插上隨身碟吧"), u8("插上U盤吧")), 3);
    EXPECT_EQ(scoring::wrongHan(u8("資料"), u8("")), 2);
    std::vector<scoring::Miss> misses;
    scoring::wrongHan(u8("台北的平台上"), u8("臺北的平臺上"), &misses);
    ASSERT_EQ(misses.size(), 2u);
    EXPECT_EQ(misses[1].want, U'台');
    EXPECT_EQ(misses[1].got, U'臺');
}

TEST(QualityScore, LinesWithAnErrorAndMissingLines)
{
    const scoring::Score s = scoring::score({u8("一台"), u8("了解"), u8("頭髮")}, {u8("一臺"), u8("了解")});
    EXPECT_EQ(s.han, 6);
    EXPECT_EQ(s.wrong, 3);   // 臺, and the missing line's two characters
    EXPECT_EQ(s.lines, 3);
    EXPECT_EQ(s.linesWithError, 2);
}

TEST(QualityScore, CorpusFilesKeepTheirHalvesApart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath(QStringLiteral("dev"));
    QDir(dir.path()).mkpath(QStringLiteral("check"));
    testutil::writeFile(dir, QStringLiteral("dev/blog.txt"), "一行\nonly latin\n\n兩行\n");
    testutil::writeFile(dir, QStringLiteral("check/blog.txt"), "三行\n");
    QString error;
    const std::vector<scoring::Source> corpus = scoring::readCorpus({dir.path()}, &error);
    ASSERT_EQ(corpus.size(), 2u) << qPrintable(error);
    EXPECT_EQ(corpus[0].name, u8("check/blog"));
    EXPECT_EQ(corpus[1].name, u8("dev/blog"));
    EXPECT_EQ(corpus[1].lines, QStringList({u8("一行"), u8("兩行")}));
    EXPECT_TRUE(scoring::readCorpus({dir.filePath(QStringLiteral("none"))}, &error).empty());
    EXPECT_FALSE(error.isEmpty());
}

TEST(QualityScore, KindsOfWritingTotalBothHalvesOfEverySource)
{
    EXPECT_EQ(scoring::kindOf(u8("dev/speech-transcripts")), u8("speech"));
    EXPECT_EQ(scoring::kindOf(u8("ui-control-center")), u8("ui"));
    scoring::RoadResult r;
    r.perSource = {{u8("check/blog-a"), {10, 1, 2, 1}}, {u8("check/web-b"), {5, 0, 1, 0}},
                   {u8("dev/blog-a"), {20, 2, 4, 2}}, {u8("dev/blog-c"), {1, 1, 1, 1}}};
    const auto kinds = scoring::byKind(r);
    ASSERT_EQ(kinds.size(), 2u);
    EXPECT_EQ(kinds[0].first, u8("blog"));
    EXPECT_EQ(kinds[0].second.han, 31);
    EXPECT_EQ(kinds[0].second.wrong, 4);
    EXPECT_EQ(kinds[0].second.linesWithError, 4);
    EXPECT_EQ(kinds[1].first, u8("web"));
    EXPECT_EQ(kinds[1].second.lines, 1);
}

TEST(QualityScore, EachDictionaryEntryIsJudgedByWhatLeavingItOutChanges)
{
    // The human text writes 一台 in one source and 臺灣 in another: 臺 -> 台 helps the first and
    // costs the second; 計畫 reaches nothing here. A fansub group's lines count under its name.
    const std::vector<scoring::PreparedSource> corpus = {
        {u8("dev/sentences-a"), {u8("一台電腦")}, u8("一台电脑"), {}},
        {u8("check/speech-b"), {u8("在臺灣")}, u8("在台湾"), {}},
        {u8("localization-kitauji"), {u8("舞台上")}, u8("舞台上"), {}},
    };
    QString error;
    const auto effects = scoring::entryEffects(u8("[simplified]\n计划 計畫\n[traditional]\n臺 台 # note\n"),
                                               corpus, &error);
    ASSERT_EQ(effects.size(), 2u) << qPrintable(error);
    EXPECT_EQ(effects[0].entry, u8("计划 計畫"));
    EXPECT_EQ(effects[0].total, 0);
    EXPECT_TRUE(effects[0].byKindHalf.empty());
    EXPECT_EQ(effects[1].line, 4);
    EXPECT_EQ(effects[1].total, -1);
    EXPECT_EQ(effects[1].byKindHalf.at(u8("sentences dev")), -1);
    EXPECT_EQ(effects[1].byKindHalf.at(u8("speech check")), 1);
    EXPECT_EQ(effects[1].byKindHalf.at(u8("localization kitauji")), -1);
    EXPECT_TRUE(scoring::entryEffects(u8("[simplified]\n计划\n"), corpus, &error).empty());
    EXPECT_FALSE(error.isEmpty());
}

TEST(QualityScore, TheTaiwaneseCorpusCatchesAnEntryThatBreaksItsText)
{
    // The shipped Taiwanese text writes 各種各樣 and a 網絡 of people or policies; a localization
    // entry that forces 各式各樣 or 網路 everywhere costs characters there, while the entries
    // the dictionary keeps (the internet's 網路上, 想像) cost none. Only the lines an entry
    // could reach are scored, to keep the test quick.
    QString error;
    std::vector<scoring::Source> corpus = scoring::readCorpus({QStringLiteral(SUBBIG5_CORPUS_DIR)}, &error);
    ASSERT_FALSE(corpus.empty()) << qPrintable(error);
    for (scoring::Source& s : corpus)
        s.lines = s.lines.filter(QRegularExpression(u8("[網各想]")));
    const std::vector<scoring::PreparedSource> prepared = scoring::prepare(corpus, &error);
    ASSERT_FALSE(prepared.empty()) << qPrintable(error);
    const auto effects = scoring::entryEffects(
        u8("[simplified]\n网络 網路\n各种各样 各式各樣\n网络上 網路上\n想象 想像\n"), prepared, &error);
    ASSERT_EQ(effects.size(), 4u) << qPrintable(error);
    EXPECT_GT(effects[0].total, 0) << "网络 -> 網路 breaks 政策網絡";
    EXPECT_GT(effects[1].total, 0) << "各種各樣 is what Taiwanese writers wrote";
    EXPECT_LE(effects[2].total, 0);
    EXPECT_LE(effects[3].total, 0);
}

TEST(QualityScore, TheLocalizationCorpusPairsSimplifiedLinesWithTheGroupsOwn)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    testutil::writeFile(dir, QStringLiteral("localization-a.tsv"),
                        "请看视频\t請看影片\nno tab here\nlatin\tonly\n疼死了\t痛死了\n");
    testutil::writeFile(dir, QStringLiteral("blog.txt"), "一行\n");
    QString error;
    const auto pairs = scoring::readParallel({dir.path()}, &error);
    ASSERT_EQ(pairs.size(), 1u) << qPrintable(error);
    EXPECT_EQ(pairs[0].name, u8("localization-a"));
    EXPECT_EQ(pairs[0].human, QStringList({u8("請看影片"), u8("痛死了")}));
    EXPECT_EQ(pairs[0].simplified, u8("请看视频\n疼死了"));
    EXPECT_EQ(scoring::kindOf(pairs[0].name), u8("localization"));
    const scoring::Road phrase = scoring::phraseRoad(QString(), &error);
    ASSERT_TRUE(phrase.convert) << qPrintable(error);
    EXPECT_EQ(scoring::evaluate(phrase, pairs, 1, false).total.wrong, 0);
    EXPECT_TRUE(scoring::readParallel({dir.filePath(QStringLiteral("none"))}, &error).empty());
}

TEST(QualityScore, TheByteRoadLeavesWhatGb2312LacksAlone)
{
    // 简体 goes through the GB2312 bytes and back as 簡體; 镕 has no GB2312 code and stays.
    EXPECT_EQ(scoring::byteRoad(u8("简体的镕字")), u8("簡體的镕字"));
}

} // namespace
