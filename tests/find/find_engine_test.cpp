// SPDX-License-Identifier: GPL-3.0-or-later
#include "find/find_engine.h"
#include "find/replace.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <tuple>

using namespace find;

namespace {

using Kind = FindResult::Kind;
constexpr qint16 Up = FindSettings::kUp, Down = FindSettings::kDown, All = FindSettings::kAll;
constexpr qint16 Exact = FindSettings::kExact, IgnoreCase = FindSettings::kIgnoreCase;

// One find-next step as {start, length} of the new selection; {-1, -1} is the not-found
// message and {-2, -2} is nothing at all.
std::pair<qsizetype, qsizetype> step(QStringView text, qsizetype start, qsizetype length,
                                     const char* find, qint16 mode, qint16 ul = Exact)
{
    const FindResult r = findText(text, start, length, {QString::fromUtf8(find), ul, mode});
    if (r.kind == Kind::Select)
        return {r.start, r.length};
    return r.kind == Kind::NotFound ? std::pair<qsizetype, qsizetype>(-1, -1)
                                    : std::pair<qsizetype, qsizetype>(-2, -2);
}

} // namespace

TEST(FindEngine, FindNextSteps)
{
    const struct { const char16_t* text; qsizetype start, length; const char* find; qint16 mode;
                   qsizetype wantStart, wantLength; } cases[] = {
        // Down stops at the end; all wraps to the top.
        {u"abcabc", 0, 0, "abc", Down, 0, 3}, {u"abcabc", 0, 3, "abc", Down, 3, 3},
        {u"abcabc", 3, 3, "abc", Down, -1, -1}, {u"abcabc", 3, 3, "abc", All, 0, 3},
        // The only occurrence is already selected: nothing new, so the message; with the
        // caret elsewhere, wrapping finds it again.
        {u"xxabcxx", 2, 3, "abc", All, -1, -1}, {u"xxabcxx", 4, 0, "abc", All, 2, 3},
        // Up sees overlapping occurrences, down does not.
        {u"aaaa", 3, 0, "aa", Up, 2, 2}, {u"aaaa", 2, 2, "aa", Up, 1, 2}, {u"aaaa", 0, 2, "aa", Up, -1, -1},
        {u"aaaa", 0, 2, "aa", Down, 2, 2}, {u"aaaa", 2, 2, "aa", Down, -1, -1},
        // Nothing lies before the very start; an occurrence running into the selection counts.
        {u"abcabc", 0, 0, "abc", Up, -1, -1}, {u"abcabc", 4, 2, "abc", Up, 3, 3},
        // CR and LF count one each.
        {u"一\r\n二\r\n二\r\n", 3, 1, "二", Down, 6, 1},
        // Starting beyond the end is a miss, not an error.
        {u"abc", 1, 2, "c", Down, -1, -1}, {u"abc", 3, 0, "c", All, 2, 1},
        // No find text, or a direction out of range: nothing at all.
        {u"abc", 0, 0, "", All, -2, -2}, {u"abc", 0, 0, "a", 3, -2, -2}, {u"abc", 0, 0, "a", -1, -2, -2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(step(c.text, c.start, c.length, c.find, c.mode), std::make_pair(c.wantStart, c.wantLength))
            << QString::fromUtf16(c.text).toStdString() << " from " << c.start << " mode " << c.mode;
    EXPECT_EQ(notFoundMessage(QStringLiteral("干杯")), QStringLiteral("找不到『干杯』"));
}

TEST(FindEngine, CompareModes)
{
    // Letters of other scripts fold; full-width Latin letters match their ASCII forms
    // in either case, digits do not; Chinese text is unaffected by the mode.
    EXPECT_EQ(searchText(u"ПРИВЕТ мир", u"привет", 1, IgnoreCase), 1);
    EXPECT_EQ(searchText(u"字幕ＡＢＣ版", u"abc", 1, IgnoreCase), 3);
    EXPECT_EQ(searchText(u"字幕ａｂｃ版", u"ABC", 1, IgnoreCase), 3);
    EXPECT_EQ(searchText(u"字幕ａｂｃ版", u"ABC", 1, Exact), 0);
    EXPECT_EQ(searchText(u"第１集", u"1", 1, IgnoreCase), 0);
    EXPECT_EQ(searchText(u"乾杯干杯", u"干杯", 1, IgnoreCase), 3);
    EXPECT_EQ(searchTextBackward(u"abc", u"abcd", 3, IgnoreCase), 0);
}

// The upward search may jump straight to the nearest hit, and case-insensitive searches work
// through the text a window at a time; both must agree with the plain definition: forward
// searches one position at a time, enumerated from the top for the upward direction.
namespace {

qsizetype naiveSearch(QStringView t, QStringView p, qsizetype from, qint16 mode)
{
    const auto cs = mode == 0 ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qsizetype i = from - 1; i + p.size() <= t.size(); ++i)
        if (t.sliced(i, p.size()).compare(p, cs) == 0)
            return i + 1;
    return 0;
}

FindResult naiveFindText(QStringView t, qsizetype s, qsizetype l, const FindSettings& st)
{
    const QStringView f = st.WFindText;
    auto hit = [&](qsizetype pos) { return FindResult{Kind::Select, pos - 1, f.size()}; };
    const FindResult none{Kind::NotFound, 0, 0};
    if (st.FindMode == Down || st.FindMode == All) {
        if (qsizetype pos = naiveSearch(t, f, s + l + 1, st.FindUL))
            return hit(pos);
        if (st.FindMode == Down)
            return none;
        const qsizetype pos = naiveSearch(t, f, 1, st.FindUL);
        return pos > 0 && pos - 1 != s ? hit(pos) : none;
    }
    qsizetype last = 0;
    for (qsizetype pos = naiveSearch(t, f, 1, st.FindUL); pos > 0 && pos - 1 < s;
         pos = naiveSearch(t, f, pos + 1, st.FindUL))
        last = pos;
    return last > 0 ? hit(last) : none;
}

QString randomText(QRandomGenerator& rng, qsizetype size, QStringView alphabet)
{
    QString t(size, Qt::Uninitialized);
    for (QChar& c : t)
        c = alphabet[rng.bounded(int(alphabet.size()))];
    return t;
}

} // namespace

TEST(FindEngine, AgreesWithTheForwardEnumeration)
{
    QRandomGenerator rng(2024);
    for (int round = 0; round < 2000; ++round) {
        const FindSettings s{randomText(rng, 1 + rng.bounded(3), u"aAbσ"), qint16(rng.bounded(2)),
                             qint16(rng.bounded(3))};
        const QString text = randomText(rng, rng.bounded(40), u"aAbΣσς\r\n");
        const qsizetype start = rng.bounded(int(text.size() + 1));
        const qsizetype length = rng.bounded(int(text.size() - start + 1));
        const FindResult got = findText(text, start, length, s);
        const FindResult want = naiveFindText(text, start, length, s);
        ASSERT_EQ(std::tie(got.kind, got.start, got.length), std::tie(want.kind, want.start, want.length))
            << "round " << round;
    }
}

// Long texts are searched piecewise: a lone occurrence is found at any distance from the
// selection, including one that straddles two pieces.
TEST(FindEngine, FindsALoneOccurrenceAtAnyDistance)
{
    const qsizetype far = qsizetype(1) << 18;
    QString text(far + 1000, u'x');
    const qsizetype early = 500, late = far + 500;
    text.replace(early, 3, QStringLiteral("AbΣ"));
    text.replace(late, 3, QStringLiteral("AbΣ"));
    const FindSettings up{QStringLiteral("aBσ"), 1, 0}, down{QStringLiteral("aBσ"), 1, 1};
    for (qsizetype power = 256; power <= far / 2; power *= 2) {
        for (qsizetype d = std::max<qsizetype>(1, power - 300); d <= power + 3; ++d) {
            const FindResult f = findText(text, late - d, 0, down);
            ASSERT_EQ(f.kind, Kind::Select) << "down " << d;
            ASSERT_EQ(f.start, d > late - early ? early : late) << "down " << d;
            const FindResult b = findText(text, early + d, 0, up);
            ASSERT_EQ(b.kind, Kind::Select) << "up " << d;
            ASSERT_EQ(b.start, early) << "up " << d;
        }
    }
    EXPECT_EQ(findText(text, late + 1, 0, down).kind, Kind::NotFound);
    EXPECT_EQ(findText(text, early, 0, up).kind, Kind::NotFound);
}

TEST(ReplaceAll, LeftmostNonOverlappingCaseSensitive)
{
    EXPECT_EQ(replaceOccurrences(u"abcABCabc", u"abc", u"x"), u"xABCx");
    EXPECT_EQ(replaceOccurrences(u"aaa", u"aa", u"b"), u"ba");
    // Inserted text is not searched again, at either end.
    EXPECT_EQ(replaceOccurrences(u"aaa", u"a", u"aa"), u"aaaaaa");
    EXPECT_EQ(replaceOccurrences(u"后來后", u"后", u"後后"), u"後后來後后");
    EXPECT_EQ(replaceOccurrences(u"a\r\nb\r\n", u"\r\n", u""), u"ab");
    EXPECT_EQ(replaceOccurrences(u"abc", u"", u"x"), u"abc");
    EXPECT_EQ(replaceOccurrences(u"abc", u"d", u"x"), u"abc");
    EXPECT_EQ(replaceOccurrences(u"abc", u"abc", u""), u"");
}
