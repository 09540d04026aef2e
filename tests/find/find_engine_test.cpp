#include "find/find_engine.h"

#include "tests/support/string_editor_text.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <utility>

namespace {

using Kind = FindResult::Kind;
using Sel = std::pair<qsizetype, qsizetype>; // selection start, length; {-1, -1} = message

// One find-next on the editor as the main window does it: select the hit (start first,
// then length) or report the not-found message, which leaves the selection alone.
Sel findNext(EditorText& editor, const FindSettings& s)
{
    const FindResult r = findText(editor.text(), editor.selStart(), editor.selLength(), s);
    if (r.kind == Kind::NotFound)
        return {-1, -1};
    if (r.kind == Kind::Select) {
        editor.setSelStart(r.start);
        editor.setSelLength(r.length);
    }
    return {editor.selStart(), editor.selLength()};
}

FindSettings settings(const char* find, qint16 mode, qint16 ul = 0)
{
    FindSettings s;
    s.WFindText = QString::fromUtf8(find);
    s.FindMode = mode;
    s.FindUL = ul;
    return s;
}

const Sel message{-1, -1};

} // namespace

TEST(FindEngine, DownStopsAtTheEndAndAllWrapsToTheTop)
{
    StringEditorText down(QStringLiteral("abcabc"));
    const FindSettings d = settings("abc", 1);
    EXPECT_EQ(findNext(down, d), Sel(0, 3));
    EXPECT_EQ(findNext(down, d), Sel(3, 3));
    EXPECT_EQ(findNext(down, d), message);
    EXPECT_EQ(Sel(down.selStart(), down.selLength()), Sel(3, 3)); // the message keeps the selection

    StringEditorText all(QStringLiteral("abcabc"));
    const FindSettings a = settings("abc", 2);
    EXPECT_EQ(findNext(all, a), Sel(0, 3));
    EXPECT_EQ(findNext(all, a), Sel(3, 3));
    EXPECT_EQ(findNext(all, a), Sel(0, 3));

    // The only occurrence is already selected: nothing new, so the message.
    StringEditorText once(QStringLiteral("xxabcxx"));
    EXPECT_EQ(findNext(once, a), Sel(2, 3));
    EXPECT_EQ(findNext(once, a), message);
    // ...but with the caret elsewhere before it, wrapping finds it again.
    once.setSelStart(4);
    EXPECT_EQ(findNext(once, a), Sel(2, 3));
}

TEST(FindEngine, UpSeesOverlappingOccurrencesDownDoesNot)
{
    StringEditorText up(QStringLiteral("aaaa"));
    up.setSelStart(3);
    const FindSettings u = settings("aa", 0);
    EXPECT_EQ(findNext(up, u), Sel(2, 2));
    EXPECT_EQ(findNext(up, u), Sel(1, 2));
    EXPECT_EQ(findNext(up, u), Sel(0, 2));
    EXPECT_EQ(findNext(up, u), message);

    StringEditorText down(QStringLiteral("aaaa"));
    const FindSettings d = settings("aa", 1);
    EXPECT_EQ(findNext(down, d), Sel(0, 2));
    EXPECT_EQ(findNext(down, d), Sel(2, 2));
    EXPECT_EQ(findNext(down, d), message);

    // Caret at the very start: nothing lies before it.
    StringEditorText start(QStringLiteral("abcabc"));
    EXPECT_EQ(findNext(start, settings("abc", 0)), message);

    // An occurrence that begins before the selection counts even if it runs into it.
    StringEditorText into(QStringLiteral("abcabc"));
    into.setSelStart(4);
    into.setSelLength(2);
    EXPECT_EQ(findNext(into, settings("abc", 0)), Sel(3, 3));
}

TEST(FindEngine, CompareModes)
{
    EXPECT_EQ(findText(u"ABC", 0, 0, settings("abc", 1, 1)).kind, Kind::Select);
    EXPECT_EQ(findText(u"ABC", 0, 0, settings("abc", 1, 0)).kind, Kind::NotFound);

    // Letters of other scripts fold too, and a hit has the pattern's length.
    const auto greek = findText(u"λόγος ΛΌΓΟΣ", 1, 0, settings("λόγος", 2, 1));
    EXPECT_EQ(greek.kind, Kind::Select);
    EXPECT_EQ(greek.start, 6);
    EXPECT_EQ(greek.length, 5);
    EXPECT_EQ(searchText(u"ПРИВЕТ мир", u"привет", 1, 1), 1);
    EXPECT_EQ(searchText(u"Straẞe", u"straße", 1, 1), 1);

    // Full-width Latin letters match their ASCII forms in either case; digits do not.
    EXPECT_EQ(searchText(u"字幕ＡＢＣ版", u"abc", 1, 1), 3);
    EXPECT_EQ(searchText(u"字幕ａｂｃ版", u"ABC", 1, 1), 3);
    EXPECT_EQ(searchText(u"字幕ａｂｃ版", u"ABC", 1, 0), 0);
    EXPECT_EQ(searchText(u"第１集", u"1", 1, 1), 0);
    // Chinese text is unaffected by the mode.
    EXPECT_EQ(searchText(u"乾杯干杯", u"干杯", 1, 1), 3);
}

TEST(FindEngine, PositionsAndBounds)
{
    // CR and LF count one each.
    StringEditorText lines(QStringLiteral("一\r\n二\r\n二\r\n"));
    const FindSettings d = settings("二", 1);
    EXPECT_EQ(findNext(lines, d), Sel(3, 1));
    EXPECT_EQ(findNext(lines, d), Sel(6, 1));

    // A downward search starting beyond the end is a message, not an error.
    EXPECT_EQ(findText(u"abc", 1, 2, settings("c", 1)).kind, Kind::NotFound);
    EXPECT_EQ(findText(u"abc", 3, 0, settings("c", 2)).start, 2);
    EXPECT_EQ(searchText(u"abc", u"c", 4, 0), 0);
    EXPECT_EQ(searchText(u"abc", u"c", 100, 1), 0);
    EXPECT_EQ(searchText(u"abc", u"bc", 2, 0), 2);
    EXPECT_EQ(searchText(u"abc", u"abcd", 1, 0), 0);
    EXPECT_EQ(searchTextBackward(u"abc", u"abcd", 3, 1), 0);

    // No find text, or a direction out of range: nothing at all.
    EXPECT_EQ(findText(u"abc", 0, 0, settings("", 2)).kind, Kind::Nothing);
    EXPECT_EQ(findText(u"abc", 0, 0, settings("a", 3)).kind, Kind::Nothing);
    EXPECT_EQ(findText(u"abc", 0, 0, settings("a", -1)).kind, Kind::Nothing);

    EXPECT_EQ(notFoundMessage(QStringLiteral("干杯")), QStringLiteral("找不到『干杯』"));
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
    if (st.FindMode == 1 || st.FindMode == 2) {
        if (qsizetype pos = naiveSearch(t, f, s + l + 1, st.FindUL))
            return hit(pos);
        if (st.FindMode == 1)
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
        FindSettings s;
        s.WFindText = randomText(rng, 1 + rng.bounded(3), u"aAbσ");
        s.FindUL = qint16(rng.bounded(2));
        s.FindMode = qint16(rng.bounded(3));
        const QString text = randomText(rng, rng.bounded(40), u"aAbΣσς\r\n");
        const qsizetype start = rng.bounded(int(text.size() + 1));
        const qsizetype length = rng.bounded(int(text.size() - start + 1));
        const FindResult got = findText(text, start, length, s);
        const FindResult want = naiveFindText(text, start, length, s);
        ASSERT_EQ(got.kind, want.kind) << "round " << round;
        ASSERT_EQ(got.start, want.start) << "round " << round;
        ASSERT_EQ(got.length, want.length) << "round " << round;
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
    const FindSettings up = settings("aBσ", 0, 1), down = settings("aBσ", 1, 1);
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
