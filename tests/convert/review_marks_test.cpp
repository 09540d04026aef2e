// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/review_marks.h"
#include "convert/review_words.h"

#include <gtest/gtest.h>

#include "tests/support/test_util.h"

namespace {

using review::Mark;
using review::MarkKind;
using testutil::u8;

// A small list in the built-in format: 发 and 干 are the conversion's own choices, 你 one that
// editors split on; 万 is below the threshold of 0.05.
const review::UncertainKinds& kinds()
{
    static const review::UncertainKinds k = review::UncertainKinds::parse(
        u8("# test list\n"
           "发\t發 髮\t0.12\t12/100\n"
           "干\t幹 乾 干\t0.30\t30/100\n"
           "你\t你 妳\t0.08\t8/100\n"
           "万\t萬 万\t0.00\t0/24\n"),
        0.05);
    return k;
}

// "start+length:text<from" for every mark of one kind, in order.
QStringList describe(const review::MarkList& list, const QString& result, MarkKind kind)
{
    QStringList out;
    for (const Mark& m : list.marks) {
        if (m.kind != kind)
            continue;
        QString s = QString::number(m.start) + u'+' + QString::number(m.length) + u':' +
                    result.mid(m.start, m.length) + u'<' + list.from(m);
        if (kind == MarkKind::Uncertain)
            s += u'[' + list.alternatives(m).join(u'/') + u']';
        out << s;
    }
    return out;
}

QStringList changed(const QString& before, const QString& result)
{
    const auto marks = review::markCommand(before, result, kinds(), {true, false});
    return describe(marks, result, MarkKind::Changed);
}

QStringList uncertain(const QString& source, const QString& result)
{
    const auto marks = review::markCommand(source, result, kinds(), {false, true});
    return describe(marks, result, MarkKind::Uncertain);
}

TEST(ReviewMarks, ChangedSpansOfConversionsThatKeepTheLength)
{
    // Adjacent changed characters make one mark; what stayed is not marked.
    EXPECT_EQ(changed(u8("这个软件很好"), u8("這個軟體很好")), QStringList({u8("0+4:這個軟體<这个软件")}));
    EXPECT_EQ(changed(u8("视频 和 网络"), u8("影片 和 網路")),
              QStringList({u8("0+2:影片<视频"), u8("5+2:網路<网络")}));
    // Positions count the result's line ends, CR LF as two.
    EXPECT_EQ(changed(u8("1\r\n00:01\r\n头发\r\n"), u8("1\r\n00:01\r\n頭髮\r\n")),
              QStringList({u8("10+2:頭髮<头发")}));
    EXPECT_EQ(changed(u8("a\rb\nc"), u8("a\rB\nC")), QStringList({u8("2+1:B<b"), u8("4+1:C<c")}));
    // Nothing changed, nothing marked; an empty text too.
    EXPECT_TRUE(changed(u8("我們的國家。\r\n"), u8("我們的國家。\r\n")).isEmpty());
    EXPECT_TRUE(changed(QString(), QString()).isEmpty());
    // A character beyond the BMP is one mark of two units, never half of it.
    EXPECT_EQ(changed(u8("a𠀀b"), u8("a𠀁b")), QStringList({u8("1+2:𠀁<𠀀")}));
    // A lone low surrogate has no pair to keep whole: the character before it stays unmarked.
    EXPECT_EQ(changed(u8("1\n") + QChar(0xDC00) + u8("ab") + QChar(0xDC00), u8("1\n") + QChar(0xDC01) + u8("ab") + QChar(0xDC01)),
              QStringList({u8("2+1:") + QChar(0xDC01) + u'<' + QChar(0xDC00), u8("5+1:") + QChar(0xDC01) + u'<' + QChar(0xDC00)}));
    // Long texts go 64 units at a time: a run that ends, starts or goes on where one such
    // stretch meets the next is one mark all the same.
    const QString tail(130, u'y');
    for (int pad = 59; pad <= 65; ++pad) {
        const QString x(pad, u'x');
        EXPECT_EQ(changed(x + u8("头发干了") + tail, x + u8("頭髮乾了") + tail),
                  QStringList({QString::number(pad) + u8("+3:頭髮乾<头发干")}))
            << pad;
        EXPECT_EQ(changed(x + u8("a𠀀b𠀀") + tail, x + u8("a𠀁b𠀁") + tail),
                  QStringList({QString::number(pad + 1) + u8("+2:𠀁<𠀀"), QString::number(pad + 4) + u8("+2:𠀁<𠀀")}))
            << pad;
    }
}

TEST(ReviewMarks, ChangedSpansWhereAReplacementChangesTheLength)
{
    // A correction that writes more or fewer characters than it found.
    EXPECT_EQ(changed(u8("我的内存满了"), u8("我的記憶體滿了")), QStringList({u8("2+4:記憶體滿<内存满")}));
    EXPECT_EQ(changed(u8("干得好，朋友"), u8("做得很好，朋友")),
              QStringList({u8("0+1:做<干"), u8("2+1:很<")}));
    // A deletion leaves nothing in the result to mark.
    EXPECT_TRUE(changed(u8("好的的"), u8("好的")).isEmpty());
    // The other lines keep their places.
    EXPECT_EQ(changed(u8("第一行\r\n内存\r\n末行"), u8("第一行\r\n記憶體\r\n末行")),
              QStringList({u8("5+3:記憶體<内存")}));
    // Lines added after the old text's end are changed, line end and all.
    EXPECT_EQ(changed(u8("甲"), u8("甲\r\n乙")), QStringList({u8("1+3:\r\n乙<")}));
}

TEST(ReviewMarks, UncertainCharactersComeFromTheKindsList)
{
    // 发 and 干 had several readings: each reading is marked with the chosen one first.
    EXPECT_EQ(uncertain(u8("头发干了"), u8("頭髮乾了")),
              QStringList({u8("1+1:髮<发[髮/發]"), u8("2+1:乾<干[乾/幹/干]")}));
    // A character the conversion left alone is still uncertain (你 addressed to a woman).
    EXPECT_EQ(uncertain(u8("你好"), u8("你好")), QStringList({u8("0+1:你<你[你/妳]")}));
    // Below the threshold, or a result that is none of the readings: no mark.
    EXPECT_TRUE(uncertain(u8("一万"), u8("一萬")).isEmpty());
    EXPECT_TRUE(uncertain(u8("干杯"), u8("X杯")).isEmpty());
    // After a replacement that changed the length, later characters still line up.
    EXPECT_EQ(uncertain(u8("鼠标坏了，头发干了"), u8("滑鼠壞掉了，頭髮乾了")),
              QStringList({u8("7+1:髮<发[髮/發]"), u8("8+1:乾<干[乾/幹/干]")}));
    // The rate travels with the mark.
    const auto list = review::markCommand(u8("干"), u8("乾"), kinds());
    ASSERT_EQ(list.marks.size(), 2u);
    EXPECT_EQ(list.marks[1].kind, MarkKind::Uncertain);
    EXPECT_DOUBLE_EQ(list.rate(list.marks[1]), 0.30);
}

TEST(ReviewMarks, ALongTextHasTheMarksOfItsLines)
{
    // Lines before and after a command, changed or not, some changing their length; put
    // together in many orders and with the three line ends, a long text's marks are those its
    // lines have alone, moved to where the lines stand.
    const std::pair<const char*, const char*> lines[] = {
        {"头发干了", "頭髮乾了"},
        {"a𠀀b你", "a𠀁b你"},
        {"𠀀𠀀𠀀干", "𠀀𠀁𠀀乾"},
        {"我的内存满了", "我的記憶體滿了"},
        {"好的的", "好的"},
        {"00:00:01,000 --> 00:00:02,000", "00:00:01,000 --> 00:00:02,000"},
        {"你好你好你好你好你好你好你好你好你好你好", "你好你好你好你好你好你好你好你好你好你好"},
        {"", ""},
        {"发发发发发发发发发发发发发发发发发发发发发发发", "發髮發髮發髮發髮發髮發髮發髮發髮發髮發髮發髮發"},
    };
    const char* const ends[] = {"\r\n", "\n", "\r"};
    const size_t kinds_ = std::size(lines);
    for (int variant = 0; variant < 3; ++variant) {
        QString before;
        QString result;
        QStringList expected[2];
        for (int i = 0; i < 400; ++i) {
            const auto& [was, now] = lines[size_t(i * (variant + 3) + i / 7) % kinds_];
            const QString pad(i % (variant + 5), u'x');
            const QString lineBefore = pad + u8(was);
            const QString lineResult = pad + u8(now);
            for (MarkKind kind : {MarkKind::Changed, MarkKind::Uncertain}) {
                const auto alone = review::markCommand(lineBefore, lineResult, kinds());
                for (const Mark& m : alone.marks) {
                    if (m.kind != kind)
                        continue;
                    QString d = QString::number(m.start + result.size()) + u'+' + QString::number(m.length) + u':' +
                                lineResult.mid(m.start, m.length) + u'<' + alone.from(m) + u'@' +
                                QString::number(m.fromStart + before.size());
                    if (kind == MarkKind::Uncertain)
                        d += u'[' + alone.alternatives(m).join(u'/') + u']';
                    expected[kind == MarkKind::Uncertain] << d;
                }
            }
            const QString end = QString::fromLatin1(ends[size_t(i + variant) % 3]);
            before += lineBefore + end;
            result += lineResult + end;
        }
        const auto whole = review::markCommand(before, result, kinds());
        QStringList got[2];
        for (const Mark& m : whole.marks) {
            QString d = QString::number(m.start) + u'+' + QString::number(m.length) + u':' + result.mid(m.start, m.length) +
                        u'<' + whole.from(m) + u'@' + QString::number(m.fromStart);
            if (m.kind == MarkKind::Uncertain)
                d += u'[' + whole.alternatives(m).join(u'/') + u']';
            got[m.kind == MarkKind::Uncertain] << d;
        }
        EXPECT_EQ(got[0], expected[0]) << variant;
        EXPECT_EQ(got[1], expected[1]) << variant;
        // Sorted by start, an uncertain mark after the changed run that holds it.
        for (size_t i = 1; i < whole.marks.size(); ++i)
            ASSERT_LE(whole.marks[i - 1].start, whole.marks[i].start) << variant;
    }
}

TEST(ReviewMarks, KindsLookedUpByAnotherKeyAndFromReadAnotherWay)
{
    // The Big5 road shows GB2312 bytes as Big5 characters: the kinds are found by those, and
    // what a mark came from reads as the user knows it.
    const review::UncertainKinds shown = kinds().keyedBy([](char32_t c) -> char32_t {
        return c == U'发' ? U'楊' : c == U'干' ? 0 : c;
    });
    EXPECT_EQ(shown.size(), 2);   // 干 has no key here
    review::MarkList list = review::markCommand(u8("芛楊"), u8("頭髮"), shown);
    list.readBefore = [](QStringView piece) { return piece.toString().replace(u8("芛"), u8("头")).replace(u8("楊"), u8("发")); };
    EXPECT_EQ(describe(list, u8("頭髮"), MarkKind::Changed), QStringList({u8("0+2:頭髮<头发")}));
    EXPECT_EQ(describe(list, u8("頭髮"), MarkKind::Uncertain), QStringList({u8("1+1:髮<发[髮/發]")}));
}

TEST(ReviewMarks, TheBuiltInListHoldsTheConversionsOwnChoices)
{
    const review::UncertainKinds& k = review::UncertainKinds::builtIn();
    ASSERT_GT(k.size(), 0);
    // Every kind kept reaches the threshold and has at least two readings.
    for (const auto& kind : k.all()) {
        EXPECT_GE(kind.rate, review::markingThreshold());
        EXPECT_GE(kind.readings.size(), 2);
    }
    // Malformed lines are skipped, not guessed at.
    const auto parsed = review::UncertainKinds::parse(u8("干\t幹\t0.5\n发发\t發 髮\t0.5\n后\t後 后\tx\n"), 0);
    EXPECT_EQ(parsed.size(), 0);
}

TEST(ReviewMarks, JsonLinesCountLinesFromOneAndCodePointsFromZero)
{
    const QString source = u8("1\r\n00:01\r\n𠀀头发干\r\n\"引号\"\r你");
    const QString result = u8("1\r\n00:01\r\n𠀀頭髮乾\r\n\"引號\"\r你");
    const auto marks = review::markCommand(source, result, kinds());
    const QList<QByteArray> lines = review::toJsonLines(result, marks, u8("a.srt")).split('\n');
    ASSERT_EQ(lines.size(), 6);   // five marks and the empty piece after the last line end
    EXPECT_EQ(QString::fromUtf8(lines[0]),
              u8(R"({"file": "a.srt", "line": 3, "column": 1, "length": 3, "kind": "changed", "text": "頭髮乾", "from": "头发干"})"));
    EXPECT_EQ(QString::fromUtf8(lines[1]),
              u8(R"({"file": "a.srt", "line": 3, "column": 2, "length": 1, "kind": "uncertain", "text": "髮", "from": "发", "alternatives": ["髮", "發"], "rate": 0.12})"));
    EXPECT_TRUE(lines[3].startsWith(R"({"file": "a.srt", "line": 4, "column": 2, "length": 1, "kind": "changed", "text": "號", "from": "号"})"));
    // A lone CR ends a line too; without a file name there is no "file".
    EXPECT_TRUE(lines[4].contains(R"("line": 5, "column": 0)"));
    review::MarkList one;
    one.before = u8("x");
    one.marks.push_back({MarkKind::Changed, false, 0, 0, 3, 0, 1});
    EXPECT_TRUE(review::toJsonLines(u8("\"\\\t"), one)
                    .startsWith(R"({"line": 1, "column": 0, "length": 3, "kind": "changed", "text": "\"\\\u0009")"));
}

TEST(ReviewMarks, WordsEditorsOftenRewrite)
{
    const review::UncertainWords words = review::UncertainWords::parse(
        u8("可是\t0\t1\t可 但\t0.2\t4/18\n"
           "可\t0\t1\t可 能\t0.1\n"
           "眼下\t0\t2\t眼下 目前\t0.5\t1/1\n"
           "眼下的\t2\t3\t的 之\t0.3\t1/2\n"       // the longer word wins where both start
           "发\t0\t1\t发 發\t0.9\n"                 // overlaps the character kinds' 发 mark
           "太低\t0\t1\t太 很\t0.001\n"             // below the threshold
           "不对\t0\t1\t对 對\t0.5\n"               // its first reading is not what it matched
           "越界\t1\t3\t界 限\t0.5\n"),             // its part runs past the word
        0.01);
    auto marks = [&](const QString& before, const QString& result) {
        review::MarkList list = review::markCommand(before, result, kinds());
        review::addWordMarks(list, result, words);
        return list;
    };
    auto describeAll = [](const review::MarkList& list, const QString& result) {
        QStringList out;
        for (const review::Mark& m : list.marks)
            out << QString::number(m.start) + (m.kind == MarkKind::Changed ? u8("~") : u8("?")) +
                       result.mid(m.start, m.length) + u8("<") + list.from(m) + u8("[") + list.alternatives(m).join(u8("/")) + u8("]");
        return out;
    };
    // Sorted with the changed runs, each word part marked once, from read at the same place.
    const QString before = u8("可是眼下的头发，太低不对越界");
    const QString result = u8("可是眼下的頭髮，太低不對越界");
    EXPECT_EQ(describeAll(marks(before, result), result),
              QStringList({u8("0?可<可[可/但]"), u8("4?的<的[的/之]"), u8("5~頭髮<头发[]"), u8("6?髮<发[髮/發]"),
                           u8("11~對<对[]")}));
    // Where the longer word does not follow, the shorter one starting there is marked.
    EXPECT_EQ(describeAll(marks(u8("眼下好，可以"), u8("眼下好，可以")), u8("眼下好，可以")),
              QStringList({u8("0?眼下<眼下[眼下/目前]"), u8("4?可<可[可/能]")}));
    // A line whose length the command changed is left alone; the next line is marked again.
    const QString before2 = u8("内存可是\n可是");
    const QString result2 = u8("記憶體可是\n可是");
    QStringList got = describeAll(marks(before2, result2), result2);
    EXPECT_EQ(got.filter(u8("?")), QStringList({u8("6?可<可[可/但]")}));
    // JSON carries a word's readings and rate like a character's.
    const QByteArray json = review::toJsonLines(u8("可是"), marks(u8("可是"), u8("可是")));
    EXPECT_EQ(json, QByteArray(R"({"line": 1, "column": 0, "length": 1, "kind": "uncertain", "text": "可", "from": "可", "alternatives": ["可", "但"], "rate": 0.2})"
                               "\n"));
    // The built-in list is there to be read.
    const review::UncertainWords& builtIn = review::UncertainWords::builtIn();
    EXPECT_FALSE(builtIn.empty());
}

} // namespace
