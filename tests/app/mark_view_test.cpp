// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "app/mark_view.h"
#include "app/text_area.h"
#include "convert/review_words.h"
#include "document/encoding.h"
#include "tests/app/scripted_prompter.h"
#include "tests/support/test_util.h"

#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testutil::u8;
using testutil::writeFile;

namespace {

const review::UncertainKinds& kinds()
{
    static const review::UncertainKinds k =
        review::UncertainKinds::parse(u8("发\t發 髮\t0.12\n干\t幹 乾 干\t0.30\n你\t你 妳\t0.08\n"), 0.05);
    return k;
}

// A text area holding the result of a conversion of `source`, with its marks shown.
struct Shown {
    Shown(const QString& source, const QString& result)
    {
        area.assignText(result);
        view.show(result, review::markCommand(source, result, kinds()));
    }
    long byteOf(const QString& prefix) const { return long(prefix.toUtf8().size()); }
    QString selected() const { return area.text().mid(area.selStart(), area.selLength()); }

    TextArea area;
    MarkView view{area};
};

TEST(MarkView, UncertainMarksAreCountedAndOfferTheirReadings)
{
    Shown s(u8("你的头发干了"), u8("你的頭髮乾了"));
    EXPECT_EQ(s.view.uncertainCount(), 3);   // 你, 髮, 乾
    EXPECT_EQ(s.view.alternativesAt(s.byteOf(u8("你的頭"))), QStringList({u8("髮"), u8("發")}));
    EXPECT_EQ(s.view.alternativesAt(s.byteOf(u8("你的頭髮"))), QStringList({u8("乾"), u8("幹"), u8("干")}));
    EXPECT_TRUE(s.view.alternativesAt(s.byteOf(u8("你的"))).isEmpty()) << "頭 had one reading";
}

TEST(MarkView, MarksFollowEditsAndGoWhenTheirTextIsEdited)
{
    Shown s(u8("头发干了"), u8("頭髮乾了"));
    // Typing before the marks moves them.
    s.area.SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, 0UL, "AB");
    EXPECT_EQ(s.view.alternativesAt(s.byteOf(u8("AB頭髮"))), QStringList({u8("乾"), u8("幹"), u8("干")}));
    EXPECT_EQ(s.view.uncertainCount(), 2);
    // Deleting the marked 髮 takes its mark away, and the underline of the changed run it stood
    // in; the box of 乾 stays.
    s.area.SendScintilla(QsciScintillaBase::SCI_DELETERANGE, static_cast<unsigned long>(s.byteOf(u8("AB頭"))),
                         long(s.byteOf(u8("髮"))));
    EXPECT_EQ(s.area.text(), u8("AB頭乾了"));
    EXPECT_EQ(s.view.uncertainCount(), 1);
    EXPECT_EQ(s.view.alternativesAt(s.byteOf(u8("AB頭"))).size(), 3);
    EXPECT_EQ(s.area.SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, 8, long(s.byteOf(u8("AB")))), 0);
    // Text typed beside a mark is not marked, and the mark stays.
    s.area.SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, static_cast<unsigned long>(s.byteOf(u8("AB頭"))), "x");
    EXPECT_EQ(s.view.uncertainCount(), 1);
    EXPECT_EQ(s.area.SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, 9, long(s.byteOf(u8("AB頭")))), 0);
    EXPECT_EQ(s.view.alternativesAt(s.byteOf(u8("AB頭x"))).size(), 3);
}

TEST(MarkView, ChoosingAReadingIsOneUndoStep)
{
    Shown s(u8("头发干了"), u8("頭髮乾了"));
    const long at = s.byteOf(u8("頭髮"));
    ASSERT_TRUE(s.view.choose(at, u8("干")));
    EXPECT_EQ(s.area.text(), u8("頭髮干了"));
    EXPECT_EQ(s.view.uncertainCount(), 1);
    EXPECT_TRUE(s.view.alternativesAt(at).isEmpty());
    s.area.SendScintilla(QsciScintillaBase::SCI_UNDO);
    EXPECT_EQ(s.area.text(), u8("頭髮乾了"));
    // Choosing the reading already there still settles the mark.
    ASSERT_TRUE(s.view.choose(s.byteOf(u8("頭")), u8("髮")));
    EXPECT_EQ(s.area.text(), u8("頭髮乾了"));
    EXPECT_TRUE(s.view.alternativesAt(s.byteOf(u8("頭"))).isEmpty());
    // A word editors often rewrite is one mark, replaced whole from anywhere inside it.
    const QString text = u8("眼下好");
    review::MarkList list = review::markCommand(text, text, kinds());
    const auto words = review::UncertainWords::parse(u8("眼下\t0\t2\t眼下 目前 現在\t0.5\n"), 0);   // marks point into it
    review::addWordMarks(list, text, words);
    Shown w(text, text);
    w.view.show(text, std::move(list));
    EXPECT_EQ(w.view.alternativesAt(w.byteOf(u8("眼"))), QStringList({u8("眼下"), u8("目前"), u8("現在")}));
    ASSERT_TRUE(w.view.choose(w.byteOf(u8("眼")), u8("目前")));
    EXPECT_EQ(w.area.text(), u8("目前好"));
    EXPECT_EQ(w.view.uncertainCount(), 0);
    w.area.SendScintilla(QsciScintillaBase::SCI_UNDO);
    EXPECT_EQ(w.area.text(), text);
}

TEST(MarkView, NextAndPreviousWrapAroundTheText)
{
    Shown s(u8("发 x 干 y 你"), u8("發 x 乾 y 你"));
    s.area.setSelStart(0);
    QStringList forward;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(s.view.selectNext());
        forward << s.selected();
    }
    EXPECT_EQ(forward, QStringList({u8("發"), u8("乾"), u8("你"), u8("發")}));
    QStringList backward;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(s.view.selectPrevious());
        backward << s.selected();
    }
    EXPECT_EQ(backward, QStringList({u8("你"), u8("乾"), u8("發")}));
    s.view.clear();
    EXPECT_FALSE(s.view.selectNext());
    EXPECT_EQ(s.view.uncertainCount(), 0);
}

// The runs of one indicator, as "start-end", with an uncertain mark's readings.
QStringList runs(TextArea& area, MarkView& view, int indicator)
{
    QStringList out;
    const long length = area.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    for (long p = 0; p < length;) {
        const long end = area.SendScintilla(QsciScintillaBase::SCI_INDICATOREND, indicator, p);
        if (area.SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, indicator, p) != 0)
            out << QStringLiteral("%1-%2").arg(p).arg(end) + (indicator == 9 ? view.alternativesAt(p).join(u'/') : QString());
        if (end <= p)
            break;
        p = end;
    }
    return out;
}

TEST(MarkView, MarksStillToGoInFollowEditsLikeThoseIn)
{
    // Three marks a line: past the first few thousand, marks go in while the editor waits.
    QString source;
    QString result;
    for (int i = 0; i < 3000; ++i) {
        source += u8("头发干了\r\n");
        result += u8("頭髮乾了\r\n");
    }
    const long head = long(u8("頭").toUtf8().size());
    const auto edit = [&](TextArea& area) {
        const auto lineAt = [&](long line) { return area.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line); };
        area.SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, 0UL, "AB");
        // Typed inside a changed run, beside an uncertain mark: the run goes, the box stays.
        area.SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, static_cast<unsigned long>(lineAt(2500) + head), "x");
        // The marked 乾 deleted; a whole line; the unmarked 了 just after a run; text typed at
        // the start of a run.
        area.SendScintilla(QsciScintillaBase::SCI_DELETERANGE, static_cast<unsigned long>(lineAt(2600) + 2 * head), head);
        area.SendScintilla(QsciScintillaBase::SCI_DELETERANGE, static_cast<unsigned long>(lineAt(2700)), lineAt(2701) - lineAt(2700));
        area.SendScintilla(QsciScintillaBase::SCI_DELETERANGE, static_cast<unsigned long>(lineAt(2800) + 3 * head), head);
        area.SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, static_cast<unsigned long>(lineAt(2900)), "yy");
        // From inside one line's run to inside another's, a hundred lines on: the marks between
        // go, and the rests of the two runs; 髮 just after the end stays.
        area.SendScintilla(QsciScintillaBase::SCI_DELETERANGE, static_cast<unsigned long>(lineAt(100) + head),
                           lineAt(200) - lineAt(100));
    };
    Shown lazy(source, result);
    ASSERT_TRUE(lazy.view.filling());
    edit(lazy.area);
    lazy.view.finishFilling();
    Shown whole(source, result);
    whole.view.finishFilling();
    edit(whole.area);
    ASSERT_EQ(lazy.area.text(), whole.area.text());
    EXPECT_EQ(lazy.view.uncertainCount(), 6000 - 3 - 200);   // 乾 alone, 髮 and 乾 with their line, 100 lines
    EXPECT_EQ(lazy.view.uncertainCount(), whole.view.uncertainCount());
    EXPECT_EQ(runs(lazy.area, lazy.view, 8), runs(whole.area, whole.view, 8));
    EXPECT_EQ(runs(lazy.area, lazy.view, 9), runs(whole.area, whole.view, 9));
    EXPECT_EQ(runs(lazy.area, lazy.view, 8).size(), 3000 - 3 - 101);

    // Next and previous find marks not yet in, round the end too.
    Shown fresh(source, result);
    ASSERT_TRUE(fresh.view.filling());
    fresh.area.setSelStart(0);
    ASSERT_TRUE(fresh.view.selectPrevious());
    EXPECT_EQ(fresh.area.selStart(), result.size() - 4);   // the last 乾
    EXPECT_EQ(fresh.selected(), u8("乾"));
    Shown far(source, result);
    far.area.setSelStart(int(result.size() - 8));
    ASSERT_TRUE(far.view.selectNext());
    EXPECT_EQ(far.selected(), u8("髮"));
    EXPECT_EQ(far.area.selStart(), result.size() - 5);
}

class Form1Marks : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.setPrompter(&prompt);
        prompt.saveChoices.assign(8, Prompter::SaveChoice::Discard);   // each reopen drops the converted text
    }
    QString status() const
    {
        QStringList parts;
        for (const QLabel* label : form.statusBar()->findChildren<QLabel*>())
            parts << label->text();
        return parts.join(u'|');
    }

    QTemporaryDir dir;
    ScriptedPrompter prompt;
    Form1 form;
};

TEST_F(Form1Marks, ConversionResultsAreTheSameWithMarksOnAndOff)
{
    // A GB2312 subtitle on the Big5 road: 簡轉繁 then 字幕矯正, once with marks and once without.
    const QByteArray gb = document::encodeText(u8("1\r\n00:01\r\n你的头发干了，软件呢？\r\n"), document::Encoding::Gb18030);
    const QString path = writeFile(dir, "sub.srt", gb);
    QString results[2];
    for (bool on : {true, false}) {
        form.showMarks_Click(on);
        ASSERT_TRUE(form.Sum(path));
        form.G_Click();
        EXPECT_EQ(form.marks().uncertainCount() > 0, on);
        EXPECT_EQ(status().contains(u8("處待確認")), on) << status().toStdString();
        form.srt_Click();
        results[on ? 0 : 1] = form.Text1->text();
    }
    EXPECT_EQ(results[0], results[1]);
    // Opening a file starts fresh: no marks are left from the last command.
    form.showMarks_Click(true);
    ASSERT_TRUE(form.Sum(path));
    form.G_Click();
    ASSERT_GT(form.marks().uncertainCount(), 0);
    ASSERT_TRUE(form.Sum(path));
    EXPECT_EQ(form.marks().uncertainCount(), 0);
    EXPECT_FALSE(status().contains(u8("處待確認")));
}

} // namespace
