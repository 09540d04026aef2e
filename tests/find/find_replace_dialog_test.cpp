// SPDX-License-Identifier: GPL-3.0-or-later
// The Find (Form3) and Replace (Form2) dialogs, driven by mouse and keyboard.
#include "find/find_dialog.h"
#include "find/replace_dialog.h"

#include "tests/support/string_editor_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

template <class W = QWidget>
W* child(QWidget* parent, const char* name)
{
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// The names of `steps` focus stops, starting with the focused widget and pressing Tab.
QStringList tabOrder(int steps)
{
    QStringList order;
    for (int i = 0; i < steps; ++i) {
        if (i > 0)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    return order;
}

// An owner window and the dialog opened over it, as the main window shows it.
template <class Dialog>
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { owner.setGeometry(200, 150, 500, 398); owner.show(); }

    Dialog* show(Dialog* d)
    {
        dialog = d;
        d->show();
        d->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        return d;
    }

    bool unloaded()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog.isNull();
    }

    // A fixed frame with a close box only, not modal, centred over the owner.
    void expectFixedAndCentred(QSize size)
    {
        EXPECT_EQ(dialog->size(), size);
        EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
        EXPECT_FALSE(dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(dialog->isModal());
        EXPECT_LE((dialog->geometry().center() - owner.geometry().center()).manhattanLength(), 2);
    }

    QWidget owner;
    QPointer<Dialog> dialog;
};

class FindDialogTest : public DialogTest<Form3> {
protected:
    // Keep the user's real settings store out of reach.
    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        DialogTest::SetUp();
    }
    void TearDown() override
    {
        DialogTest::TearDown();
        savedConfigHome.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", savedConfigHome);
    }

    // A fresh dialog, as the main window's Ctrl+F loads it.
    Form3* open() { return show(new Form3(settings, [this] { ++searches; lastSearch = settings; }, &owner)); }

    // Read from the file itself: QSettings keeps files it has read in a cache of its own, and a
    // rewrite of the same size within its clock tick reads as the old text.
    QString stored(const char* key)
    {
        QFile file(config.filePath("SubBig5/SubBig5.ini"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QString section;
        for (const QByteArray& raw : file.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(u'[') && line.endsWith(u']'))
                section = line.mid(1, line.size() - 2);
            else if (section == QStringLiteral("Find") && line.startsWith(QLatin1String(key) + u'='))
                return line.mid(qsizetype(qstrlen(key)) + 1);
        }
        return {};
    }

    QTemporaryDir config;
    const QByteArray savedConfigHome = qgetenv("XDG_CONFIG_HOME");   // null when unset
    find::FindSettings settings, lastSearch;
    int searches = 0;
};

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

class ReplaceDialogTest : public DialogTest<Form2> {
protected:
    Form2* open() { return show(new Form2(editor, &owner)); }

    CountingEditor editor{QStringLiteral("abcABCabc")};
};

} // namespace

TEST_F(FindDialogTest, EveryLoadingStartsFreshOnAll)
{
    settings.WFindText = QStringLiteral("舊的");
    settings.FindMode = find::FindSettings::kUp;
    for (int loading = 0; loading < 2; ++loading) {
        Form3* d = open();
        expectFixedAndCentred(QSize(411, 93)); // 6165 x 1395 twips
        // Controls are placed in twips, options relative to their frame.
        EXPECT_EQ(child(d, "cmdFind")->geometry(), QRect(312, 8, 89, 25));
        EXPECT_EQ(child(d, "optDirection2")->geometry(), QRect(104, 16, 49, 33));
        EXPECT_TRUE(child<QRadioButton>(d, "optDirection2")->isChecked());
        EXPECT_EQ(QApplication::focusWidget(), child(d, "optDirection2"));
        EXPECT_EQ(settings.FindMode, find::FindSettings::kAll);
        EXPECT_TRUE(child<QLineEdit>(d, "txtFind")->text().isEmpty());
        EXPECT_TRUE(child(d, "cmdFind")->isEnabled());
        EXPECT_FALSE(child<QCheckBox>(d, "chkUL")->isChecked());
        EXPECT_EQ(settings.WFindText, QStringLiteral("舊的")); // loading does not touch it

        // Leave some state behind for the next loading to discard.
        QTest::keyClicks(child(d, "txtFind"), "abc");
        QTest::mouseClick(child(d, "optDirection0"), Qt::LeftButton);
        QTest::mouseClick(child(d, "chkUL"), Qt::LeftButton);
        EXPECT_EQ(settings.FindMode, find::FindSettings::kUp);
        d->close();
        ASSERT_TRUE(unloaded());
    }
}

TEST_F(FindDialogTest, FindButtonFollowsTheBoxAndEnterStartsNothing)
{
    Form3* d = open();
    auto* box = child<QLineEdit>(d, "txtFind");
    auto* find = child<QPushButton>(d, "cmdFind");
    QTest::mouseClick(child(d, "optDirection1"), Qt::LeftButton);
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClicks(box, "ab");
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_FALSE(find->isEnabled());
    QTest::keyClicks(box, "Ab");
    EXPECT_TRUE(find->isEnabled());

    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(searches, 0);

    // Unchecked: case ignored (FindUL 1); the direction stays as last clicked.
    QTest::mouseClick(find, Qt::LeftButton);
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(lastSearch.WFindText, QStringLiteral("Ab"));
    EXPECT_EQ(lastSearch.FindUL, find::FindSettings::kIgnoreCase);
    EXPECT_EQ(lastSearch.FindMode, find::FindSettings::kDown);
    EXPECT_TRUE(d->isVisible());

    // Alt+C toggles the check box, Alt+F presses the find button: case matters now.
    QTest::keyClick(d, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(child<QCheckBox>(d, "chkUL")->isChecked());
    EXPECT_EQ(settings.FindUL, find::FindSettings::kIgnoreCase); // only the find button writes it
    QTest::keyClick(d, Qt::Key_F, Qt::AltModifier);
    QTRY_COMPARE(searches, 2);
    EXPECT_EQ(lastSearch.FindUL, find::FindSettings::kExact);

    // Enter on the focused find button presses it.
    find->setFocus();
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(searches, 3);
}

TEST_F(FindDialogTest, FocusSelectsTheBoxAndTheOption)
{
    Form3* d = open();
    auto* box = child<QLineEdit>(d, "txtFind");
    QTest::mouseClick(box, Qt::LeftButton);
    for (QChar c : QStringLiteral("字幕組")) // as an input method commits characters
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::mouseClick(child(d, "chkUL"), Qt::LeftButton);
    EXPECT_FALSE(box->hasSelectedText());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    QCoreApplication::processEvents();
    EXPECT_EQ(box->selectedText(), QStringLiteral("字幕組"));

    // Tab order; the option group is one stop, entered at its selected option. Tabbing
    // into the box selects its whole content.
    box->deselect();
    child(d, "optDirection2")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(tabOrder(5), QStringList({"optDirection2", "chkUL", "cmdCancel", "cmdFind", "txtFind"}));
    EXPECT_EQ(box->selectedText(), QStringLiteral("字幕組"));
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), child(d, "optDirection2"));
    // Arrow keys move through the group, selecting as they go.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), child(d, "optDirection1"));
    EXPECT_EQ(settings.FindMode, find::FindSettings::kDown);

    // An option that takes the focus is selected as if clicked.
    child(d, "optDirection0")->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(child<QRadioButton>(d, "optDirection0")->isChecked());
    EXPECT_EQ(settings.FindMode, find::FindSettings::kUp);
}

TEST_F(FindDialogTest, EveryWayOfClosingStoresThePositionInTwips)
{
    const struct { const char* how; void (*close)(Form3*); } ways[] = {
        {"Esc in the box", [](Form3* d) { QTest::keyClick(child(d, "txtFind"), Qt::Key_Escape); }},
        {"Esc on an option", [](Form3* d) { QTest::keyClick(child(d, "optDirection2"), Qt::Key_Escape); }},
        {"取消", [](Form3* d) { QTest::mouseClick(child(d, "cmdCancel"), Qt::LeftButton); }},
        {"close box", [](Form3* d) { d->windowHandle()->close(); }},
    };
    for (int n = 0; n < 4; ++n) {
        QFile::remove(config.filePath("SubBig5/SubBig5.ini"));
        Form3* d = open();
        d->move(40 + 10 * n, 30 + 7 * n);
        QCoreApplication::processEvents();
        const QPoint at = d->pos();
        ways[n].close(d);
        EXPECT_TRUE(unloaded()) << ways[n].how;
        EXPECT_EQ(stored("Top"), QString::number(at.y() * 15)) << ways[n].how;
        EXPECT_EQ(stored("Left"), QString::number(at.x() * 15)) << ways[n].how;
    }

    // A store that cannot be written (its folder is a plain file) does not keep it open; what the
    // store refuses to write through is SettingsStore's own business.
    QFile blocker(config.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker.fileName()));
    QTest::keyClick(open(), Qt::Key_Escape);
    EXPECT_TRUE(unloaded());
}

TEST_F(ReplaceDialogTest, EnterPressesOnlyTheFocusedButtonEscIsIgnoredCancelUnloads)
{
    Form2* d = open();
    expectFixedAndCentred(QSize(455, 78)); // 6825 x 1170 twips
    EXPECT_EQ(child(d, "Text2")->geometry(), QRect(72, 40, 225, 18));
    EXPECT_EQ(tabOrder(5), QStringList({"Command1", "Text1", "Text2", "Command2", "Command1"}));
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
    QTest::keyClick(d, Qt::Key_Escape);
    ASSERT_FALSE(unloaded());
    EXPECT_TRUE(d->isVisible());

    QTest::mouseClick(child(d, "Command1"), Qt::LeftButton);
    EXPECT_EQ(editor.assignments, 2); // one undoable step
    EXPECT_EQ(editor.text(), QStringLiteral("xABCx"));
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(child<QLineEdit>(d, "Text1")->text(), QStringLiteral("abc"));

    // 取消 and the close box unload it; the next loading starts empty and changes nothing.
    QTest::mouseClick(child(d, "Command2"), Qt::LeftButton);
    EXPECT_TRUE(unloaded());
    d = open();
    EXPECT_TRUE(child<QLineEdit>(d, "Text1")->text().isEmpty());
    d->windowHandle()->close();
    EXPECT_TRUE(unloaded());
    EXPECT_EQ(editor.assignments, 2);
}
