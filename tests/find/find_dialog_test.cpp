#include "find/find_dialog.h"

#include "tests/find/dialog_test_support.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QWindow>

namespace {

using namespace dialogtest;

class FindDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Keep the user's real settings store out of reach.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
        owner.setGeometry(200, 150, 500, 398);
        owner.show();
    }

    // Loads and shows a fresh dialog, as the main window's Ctrl+F does.
    Form3* open()
    {
        dialog = new Form3(settings, [this] { ++searches; lastSearch = settings; }, &owner);
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

    QString stored(const char* key)
    {
        QSettings store(config.filePath("SubBig5/SubBig5.ini"), QSettings::IniFormat);
        return store.value(QStringLiteral("Find/") + key).toString();
    }

    QTemporaryDir config;
    QWidget owner;
    FindSettings settings;
    FindSettings lastSearch;
    int searches = 0;
    QPointer<Form3> dialog;
};

} // namespace

TEST_F(FindDialogTest, EveryLoadingStartsFreshOnAll)
{
    settings.WFindText = QStringLiteral("舊的");
    settings.FindMode = 0;
    for (int loading = 0; loading < 2; ++loading) {
        Form3* d = open();
        EXPECT_EQ(d->windowTitle(), QStringLiteral("尋找"));
        auto* all = child<QRadioButton>(d, "optDirection2");
        EXPECT_TRUE(all->isChecked());
        EXPECT_EQ(QApplication::focusWidget(), all);
        EXPECT_EQ(settings.FindMode, 2);
        EXPECT_TRUE(child<QLineEdit>(d, "txtFind")->text().isEmpty());
        EXPECT_TRUE(child(d, "cmdFind")->isEnabled());
        EXPECT_FALSE(child<QCheckBox>(d, "chkUL")->isChecked());
        for (QPushButton* b : d->findChildren<QPushButton*>())
            EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->objectName().toStdString();
        EXPECT_EQ(settings.WFindText, QStringLiteral("舊的")); // loading does not touch it

        // Leave some state behind for the next loading to discard.
        QTest::keyClicks(child(d, "txtFind"), "abc");
        QTest::mouseClick(child(d, "optDirection0"), Qt::LeftButton);
        QTest::mouseClick(child(d, "chkUL"), Qt::LeftButton);
        EXPECT_EQ(settings.FindMode, 0);
        d->close();
        ASSERT_TRUE(unloaded());
    }
}

TEST_F(FindDialogTest, LayoutInTwipsCentredOverTheOwner)
{
    Form3* d = open();
    EXPECT_EQ(d->size(), QSize(411, 93)); // 6165 x 1395 twips
    EXPECT_EQ(d->minimumSize(), d->maximumSize());
    EXPECT_FALSE(d->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(d->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(d->isModal());
    EXPECT_EQ(d->parentWidget(), &owner);
    EXPECT_LE((d->geometry().center() - owner.geometry().center()).manhattanLength(), 2);

    expectDesigned(d, {
        {"lblS",          {120, 195, 975, 255},   QStringLiteral("尋找目標：")},
        {"txtFind",       {1200, 135, 3375, 270}, {}},
        {"cmdFind",       {4680, 120, 1335, 375}, QStringLiteral("找下一個(&F)")},
        {"cmdCancel",     {4680, 555, 1335, 375}, QStringLiteral("取消")},
        {"chkUL",         {120, 675, 1815, 375},  QStringLiteral("大小寫視為相異(&C)")},
        {"frmDirection",  {2040, 435, 2415, 855}, QStringLiteral("搜尋方向")},
        {"optDirection0", {120, 240, 735, 495},   QStringLiteral("向上")},
        {"optDirection1", {840, 240, 735, 495},   QStringLiteral("向下")},
        {"optDirection2", {1560, 240, 735, 495},  QStringLiteral("全部")},
    });
    EXPECT_EQ(child(d, "optDirection0")->parentWidget(), child(d, "frmDirection"));
}

TEST_F(FindDialogTest, FindButtonFollowsTheBoxAndEnterStartsNothing)
{
    Form3* d = open();
    auto* box = child<QLineEdit>(d, "txtFind");
    auto* find = child<QPushButton>(d, "cmdFind");
    QTest::mouseClick(child(d, "optDirection1"), Qt::LeftButton);
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClicks(box, "ab");
    EXPECT_TRUE(find->isEnabled());
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_FALSE(find->isEnabled());
    QTest::keyClicks(box, "Ab");
    EXPECT_TRUE(find->isEnabled());

    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(searches, 0);
    EXPECT_TRUE(d->isVisible());

    // Unchecked: case ignored (FindUL 1); the direction stays as last clicked.
    QTest::mouseClick(find, Qt::LeftButton);
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(lastSearch.WFindText, QStringLiteral("Ab"));
    EXPECT_EQ(lastSearch.FindUL, 1);
    EXPECT_EQ(lastSearch.FindMode, 1);
    EXPECT_TRUE(d->isVisible());

    // Alt+C toggles the check box, Alt+F presses the find button: case matters now.
    QTest::keyClick(d, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(child<QCheckBox>(d, "chkUL")->isChecked());
    EXPECT_EQ(settings.FindUL, 1); // only the find button writes it
    QTest::keyClick(d, Qt::Key_F, Qt::AltModifier);
    QTRY_COMPARE(searches, 2);
    EXPECT_EQ(lastSearch.FindUL, 0);

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
    type(box, QStringLiteral("字幕組"));
    QTest::mouseClick(child(d, "chkUL"), Qt::LeftButton);
    EXPECT_FALSE(box->hasSelectedText());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    QCoreApplication::processEvents();
    EXPECT_EQ(box->selectedText(), QStringLiteral("字幕組"));

    // Tab from the find button reaches the box, which selects its whole content.
    child(d, "cmdFind")->setFocus();
    box->deselect();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(box->selectedText(), QStringLiteral("字幕組"));

    // Tab order; the option group is one stop, entered at its selected option.
    QStringList order;
    child(d, "optDirection2")->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 6; ++i) {
        if (i > 0)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, QStringList({"optDirection2", "chkUL", "cmdCancel", "cmdFind", "txtFind",
                                  "optDirection2"}));
    EXPECT_EQ(settings.FindMode, 2);
    // Arrow keys move through the group, selecting as they go.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), child(d, "optDirection1"));
    EXPECT_EQ(settings.FindMode, 1);

    // An option that takes the focus is selected as if clicked.
    child(d, "optDirection0")->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(child<QRadioButton>(d, "optDirection0")->isChecked());
    EXPECT_EQ(settings.FindMode, 0);
}

TEST_F(FindDialogTest, EveryWayOfClosingStoresThePositionInTwips)
{
    const struct { const char* how; void (*close)(Form3*); } ways[] = {
        {"Esc in the box", [](Form3* d) { QTest::keyClick(child(d, "txtFind"), Qt::Key_Escape); }},
        {"Esc on an option", [](Form3* d) { QTest::keyClick(child(d, "optDirection2"), Qt::Key_Escape); }},
        {"取消", [](Form3* d) { QTest::mouseClick(child(d, "cmdCancel"), Qt::LeftButton); }},
        {"close box", [](Form3* d) { d->windowHandle()->close(); }},
    };
    int n = 0;
    for (const auto& way : ways) {
        QFile::remove(config.filePath("SubBig5/SubBig5.ini"));
        Form3* d = open();
        d->move(40 + 10 * n, 30 + 7 * n);
        QCoreApplication::processEvents();
        const QPoint at = d->pos();
        way.close(d);
        EXPECT_TRUE(unloaded()) << way.how;
        EXPECT_EQ(stored("Top"), QString::number(at.y() * 15)) << way.how;
        EXPECT_EQ(stored("Left"), QString::number(at.x() * 15)) << way.how;
        ++n;
    }
    EXPECT_EQ(stored("Top"), QString::number((30 + 7 * 3) * 15));
}

TEST_F(FindDialogTest, AStoreThatCannotBeWrittenDoesNotKeepItOpen)
{
    // The config "folder" is a plain file, so nothing can be created under it.
    QFile blocker(config.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, blocker.fileName());
    Form3* d = open();
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_TRUE(unloaded());
}
