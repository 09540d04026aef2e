#include "find/replace_dialog.h"

#include "tests/support/string_editor_text.h"
#include "tests/find/dialog_test_support.h"

#include <QPointer>
#include <QPushButton>
#include <QWindow>

namespace {

using namespace dialogtest;

// Counts whole-text assignments: each is one step the user can undo.
class CountingEditor : public StringEditorText {
public:
    using StringEditorText::StringEditorText;
    void assignText(const QString& text) override
    {
        ++assignments;
        StringEditorText::assignText(text);
    }
    int assignments = 0;
};

class ReplaceDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner.setGeometry(100, 80, 500, 398);
        owner.show();
    }

    Form2* open()
    {
        dialog = new Form2(editor, &owner);
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        return dialog;
    }

    bool unloaded()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog.isNull();
    }

    QWidget owner;
    CountingEditor editor{QStringLiteral("abcABCabc")};
    QPointer<Form2> dialog;
};

} // namespace

TEST_F(ReplaceDialogTest, LayoutInTwipsWithReplaceAllFocused)
{
    Form2* d = open();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("取代"));
    EXPECT_EQ(d->size(), QSize(455, 78)); // 6825 x 1170 twips
    EXPECT_EQ(d->minimumSize(), d->maximumSize());
    EXPECT_FALSE(d->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(d->isModal());
    EXPECT_LE((d->geometry().center() - owner.geometry().center()).manhattanLength(), 2);
    EXPECT_EQ(QApplication::focusWidget(), child(d, "Command1"));

    expectDesigned(d, {
        {"Label1_0", {120, 120, 975, 255},   QStringLiteral("尋找目標：")},
        {"Text1",    {1080, 120, 3375, 270}, {}},
        {"Label1_1", {240, 600, 735, 255},   QStringLiteral("取代為：")},
        {"Text2",    {1080, 600, 3375, 270}, {}},
        {"Command1", {4560, 120, 2055, 375}, QStringLiteral("全部取代")},
        {"Command2", {4560, 600, 2055, 375}, QStringLiteral("取消")},
    });

    // Tab order: 全部取代, find-what, replace-with, 取消.
    QStringList order;
    for (int i = 0; i < 4; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, QStringList({"Command1", "Text1", "Text2", "Command2"}));
}

TEST_F(ReplaceDialogTest, EnterPressesOnlyTheFocusedButtonAndEscIsIgnored)
{
    Form2* d = open();
    editor.setSelStart(4);
    editor.setSelLength(2);
    // Enter right after opening: 全部取代 with empty boxes writes the text back unchanged.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(editor.assignments, 1);
    EXPECT_EQ(editor.text(), QStringLiteral("abcABCabc"));
    EXPECT_EQ(editor.selStart(), 0);
    EXPECT_EQ(editor.selLength(), 0);

    QTest::mouseClick(child(d, "Text1"), Qt::LeftButton);
    QTest::keyClicks(child(d, "Text1"), "abc");
    QTest::keyClick(child(d, "Text1"), Qt::Key_Return);
    QTest::mouseClick(child(d, "Text2"), Qt::LeftButton);
    QTest::keyClicks(child(d, "Text2"), "x");
    QTest::keyClick(child(d, "Text2"), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(editor.assignments, 1);

    QTest::keyClick(child(d, "Text2"), Qt::Key_Escape);
    ASSERT_FALSE(unloaded());
    QTest::keyClick(d, Qt::Key_Escape);
    ASSERT_FALSE(unloaded());
    EXPECT_TRUE(d->isVisible());

    QTest::mouseClick(child(d, "Command1"), Qt::LeftButton);
    EXPECT_EQ(editor.assignments, 2); // one undoable step
    EXPECT_EQ(editor.text(), QStringLiteral("xABCx"));
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(child<QLineEdit>(d, "Text1")->text(), QStringLiteral("abc"));
}

TEST_F(ReplaceDialogTest, CancelAndTheCloseBoxUnloadIt)
{
    open();
    QTest::mouseClick(child(dialog, "Command2"), Qt::LeftButton);
    EXPECT_TRUE(unloaded());

    Form2* d = open();
    EXPECT_TRUE(child<QLineEdit>(d, "Text1")->text().isEmpty());
    d->windowHandle()->close();
    EXPECT_TRUE(unloaded());
    EXPECT_EQ(editor.assignments, 0);
}
