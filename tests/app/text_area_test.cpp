// SPDX-License-Identifier: GPL-3.0-or-later
// A whole-text command replaces only what differs, yet the text, the caret and undo/redo
// behave as if the whole text had been assigned.
#include "app/text_area.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

using testutil::u8;

namespace {

// The bytes Scintilla inserted and deleted, as its change notifications report them.
struct ChangeCounter {
    explicit ChangeCounter(TextArea& area)
    {
        QObject::connect(&area, &QsciScintillaBase::SCN_MODIFIED, &area,
                         [this](int, int type, const char*, int length, int, int, int, int, int, int) {
                             if (type & QsciScintillaBase::SC_MOD_INSERTTEXT)
                                 inserted += length;
                             if (type & QsciScintillaBase::SC_MOD_DELETETEXT)
                                 deleted += length;
                         });
    }
    qsizetype inserted = 0, deleted = 0;
};

// Every UTF-16 position still maps to itself: the per-line UTF-16 index followed the edit.
void expectPositionsRoundTrip(TextArea& area, const QString& text)
{
    for (qsizetype at = 0; at <= text.size(); ++at) {
        if (at > 0 && at < text.size() && text[at].isLowSurrogate())
            continue;
        area.setSelStart(at);
        ASSERT_EQ(area.selStart(), at) << "position " << at;
    }
}

} // namespace

TEST(TextAreaAssign, KeepsTheTextExactAndUndoRedoRestoreIt)
{
    // Pairs whose shared start or end would cut a character or a CR LF in two.
    const struct { const char* before; const char* after; } cases[] = {
        {"我們倆", "我倆倆"},                       // 們 E5 80 91, 倆 E5 80 86: same first bytes
        {"一\r\n二\r\n三", "一\r二\r\n三"},          // CR LF loses its LF
        {"一\n二", "一\r\n二"},                      // LF gains a CR
        {"a\r\nb", "a\r\r\nb"},
        {"𠀀𠀁", "𠀁𠀁"},                             // F0 A0 80 80 / F0 A0 80 81
        {"軟件和軟件", "軟體和軟體"},               // changes at both ends
        {"", "新的文字"},
        {"舊的文字", ""},
        {"同一段文字", "同一段文字"},
    };
    for (const auto& c : cases) {
        TextArea area;
        const QString before = u8(c.before), after = u8(c.after);
        area.loadText(before);
        area.setSelStart(2);
        area.setSelLength(1);
        area.assignText(after);
        EXPECT_EQ(area.text(), after) << c.before;
        EXPECT_EQ(area.selStart(), 0) << c.before;
        EXPECT_EQ(area.selLength(), 0) << c.before;
        expectPositionsRoundTrip(area, after);
        if (before == after)
            continue;
        area.undo();
        EXPECT_EQ(area.text(), before) << c.before;
        expectPositionsRoundTrip(area, before);
        area.redo();
        EXPECT_EQ(area.text(), after) << c.before;
        area.undo();
        EXPECT_FALSE(area.isUndoAvailable()) << "one step: " << c.before;
    }
}

TEST(TextAreaAssign, TouchesOnlyTheDifferingRangeOfALargeText)
{
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += u8("這是一行字幕，軟件與硬件。\r\n");
    QString corrected = text;
    corrected.replace(qsizetype(text.size() / 2) / 15 * 15 + 7, 2, u8("軟體"));   // one row, mid-text

    TextArea area;
    area.loadText(text);
    ChangeCounter changes(area);
    area.assignText(corrected);
    EXPECT_EQ(area.text(), corrected);
    // 軟件 → 軟體: one character of three bytes out, one in, of some 900 kB.
    EXPECT_EQ(changes.deleted, 3);
    EXPECT_EQ(changes.inserted, 3);

    area.undo();
    EXPECT_EQ(area.text(), text);
    area.redo();
    EXPECT_EQ(area.text(), corrected);
}

TEST(TextAreaAssign, UnusualTextSurvives)
{
    TextArea area;
    for (const QString& s : {QString::fromUtf16(u"a\rb\nc\r\nd"), QStringView(u"x\0y\0", 4).toString(),
                             u8("\u00A0不斷行空白 😀 \uE000\uF849 ") + QChar(0xDBFF) + QChar(0xDFFE), QString()}) {
        area.assignText(s);
        EXPECT_EQ(area.text(), s);
        area.loadText(s);
        EXPECT_EQ(area.text(), s);
    }
    const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b") + QChar(0);
    area.loadText(withNul);
    area.assignText(QStringLiteral("a") + QChar(0) + QStringLiteral("c") + QChar(0));
    EXPECT_EQ(area.text(), QStringLiteral("a") + QChar(0) + QStringLiteral("c") + QChar(0));
    area.undo();
    EXPECT_EQ(area.text(), withNul);
}
