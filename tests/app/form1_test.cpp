// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_box.h"
#include "app/form1.h"
#include "app/prompter.h"
#include "app/stamp.h"
#include "app/status_bar.h"
#include "app/text_area.h"
#include "convert/codepage.h"
#include "document/native_path.h"
#include "tests/app/scripted_prompter.h"
#include "tests/support/test_util.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QUrl>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using testutil::readFile;
using testutil::u8;
using testutil::writeFile;

namespace {

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(dir.filePath("xdg-data"));
        qputenv("XDG_DATA_HOME", dir.filePath("xdg-data").toUtf8());   // the trash lands here
        form.setPrompter(&prompt);
    }

    QString file(const QString& name, const QByteArray& bytes) { return writeFile(dir, name, bytes); }
    QString caption() const { return form.windowTitle(); }
    QString text() const { return form.Text1->text(); }

    QTemporaryDir dir;
    ScriptedPrompter prompt;
    Form1 form;
};

TEST(CommandLine, ArgumentsAreJoinedIntoOnePathWithoutQuotes)
{
    // The raw arguments become the path before Qt could take "-reverse" or "-style x" for its own.
    char program[] = "subbig5", reverse[] = "-reverse", style[] = "-style", x[] = "x", gb[] = "\xB9\xFA.txt";
    char* oneOption[] = {program, reverse, nullptr};
    EXPECT_EQ(commandLinePath(2, oneOption), "-reverse");
    char* twoWords[] = {program, style, x, nullptr};
    EXPECT_EQ(commandLinePath(3, twoWords), "-style x");
    char* notUtf8[] = {program, gb, nullptr};
    EXPECT_EQ(document::nativePath(commandLinePath(2, notUtf8)), QByteArray("\xB9\xFA.txt"));
    EXPECT_EQ(commandLinePath({"\"C:\\My", "Files\\a.txt\""}), "C:\\My Files\\a.txt");
    EXPECT_EQ(commandLinePath({"C:\\x\"y.txt"}), "C:\\xy.txt");
    EXPECT_EQ(commandLinePath({}), "");
}

TEST_F(Form1Test, OpenListsTheDesignedTypesFirstThenSubtitlesAndSaveAsOnlyItsOwn)
{
    prompt.fileNames = {"", ""};
    form.open_Click();
    form.A_Click();
    ASSERT_EQ(prompt.dialogFilters.size(), 2);
    const std::pair<QString, QStringList> dialogs[] = {
        {prompt.dialogFilters[0], {u8("純文字文件(*.txt)"), u8("所有檔案(*.*)"), u8("字幕檔 (*.srt *.ass *.ssa)")}},
        {prompt.dialogFilters[1], {u8("純文字檔"), u8("所有檔案")}},
    };
    for (const auto& [filter, captions] : dialogs) {
        QFileDialog dialog;
        dialog.setOptions(fileDialogOptions(QFileDialog::AcceptOpen) | QFileDialog::DontUseNativeDialog);
        dialog.setNameFilters(filter.split(QStringLiteral(";;")));
        auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_TRUE(types);
        QStringList shown;
        for (int i = 0; i < types->count(); ++i)
            shown << types->itemText(i);
        EXPECT_EQ(shown, captions);
    }
    EXPECT_TRUE(prompt.dialogFilters[0].endsWith(QStringLiteral(";;") + u8("字幕檔 (*.srt *.ass *.ssa) (*.srt *.ass *.ssa)")))
        << "the subtitle entry matches each of its three patterns";
    EXPECT_TRUE(prompt.dialogFilters[1].endsWith("(*)")) << "\"*.*\" matches names without a dot";
}

TEST_F(Form1Test, AfterBig5ToGbTheStatusBarSaysWhyTheTextLooksBrokenUntilTheNextCommand)
{
    const QString path = file("big5.txt", cp950::encode(u8("國體\r\n")));
    ASSERT_TRUE(form.Sum(path));
    EXPECT_TRUE(form.status()->note().isEmpty());
    form.findChild<QAction*>("B")->trigger();
    const QString note = form.status()->note();
    EXPECT_TRUE(note.contains("GB2312") && note.contains("Big5")) << note.toStdString();
    EXPECT_TRUE(note.contains(u8("以其他編碼重新開啟 > GB18030"))) << note.toStdString();
    EXPECT_TRUE(prompt.messages.empty()) << "a quiet line, no dialog";
    const QString details = form.status()->findChild<QLabel*>("note")->toolTip();
    EXPECT_TRUE(details.contains(u8("存檔")) && details.contains("GB18030")) << "the whole story on the pointer";

    // Shown in the bar, it never widens the window.
    form.show();
    form.resize(500, form.height());
    QApplication::processEvents();
    EXPECT_EQ(form.width(), 500);
    EXPECT_TRUE(form.status()->findChild<QLabel*>("note")->isVisible());

    // Any next command takes it away, a designed one or an addition; so does an open.
    form.findChild<QAction*>("G")->trigger();
    EXPECT_TRUE(form.status()->note().isEmpty());
    form.findChild<QAction*>("B")->trigger();
    EXPECT_FALSE(form.status()->note().isEmpty());
    form.findChild<QAction*>("phrase")->trigger();
    EXPECT_TRUE(form.status()->note().isEmpty());
    form.B_Click();
    prompt.saveChoices = {Prompter::SaveChoice::Discard};
    ASSERT_TRUE(form.Sum(path));
    EXPECT_TRUE(form.status()->note().isEmpty());

    // On characters (a UTF-8 file) 繁轉簡 gives readable Simplified text: nothing to explain.
    ASSERT_TRUE(form.Sum(file("utf8.txt", "\xEF\xBB\xBF" + u8("國體說話\n").toUtf8())));
    form.B_Click();
    EXPECT_EQ(text(), u8("国体说话\n"));
    EXPECT_TRUE(form.status()->note().isEmpty());
}

TEST_F(Form1Test, StatusBarFieldsAreMadeOnFirstUseAndHideWhenEmpty)
{
    StatusBar& bar = *form.status();
    EXPECT_EQ(bar.field("encoding"), "Big5") << "the document's encoding from the start";
    EXPECT_TRUE(bar.field("marks").isEmpty()) << "no review marks yet";
    bar.setField("encoding", "Big5");
    bar.setField("marks", "3");
    bar.setField("encoding", "UTF-8");
    EXPECT_EQ(bar.field("encoding"), "UTF-8");
    EXPECT_EQ(bar.findChildren<QLabel*>("encoding").size(), 1);
    form.show();
    QApplication::processEvents();
    EXPECT_TRUE(bar.findChild<QLabel*>("marks")->isVisible());
    bar.setField("marks", "");
    EXPECT_FALSE(bar.findChild<QLabel*>("marks")->isVisible());
    bar.setNote("x");
    EXPECT_EQ(bar.field("encoding"), "UTF-8") << "the note leaves the fields alone";
}

TEST_F(Form1Test, StartsEmptyWithTheTitleLineAndTheDesignedClientArea)
{
    EXPECT_EQ(caption(), u8("SubBig5 字幕編輯器"));
    EXPECT_TRUE(text().isEmpty());
    form.show();
    EXPECT_EQ(form.Text1->size(), QSize(500, 398));
    for (QSize size : {QSize(800, 600), QSize(120, 90), QSize(640, 480)}) {
        form.resize(size);
        QApplication::processEvents();
        const QRect client = form.centralWidget()->geometry();
        EXPECT_EQ(form.Text1->geometry(), client);
        EXPECT_EQ(client.width(), form.width());
        // The status bar, an addition, sits below the client area.
        EXPECT_EQ(client.bottom(), form.statusBar()->geometry().top() - 1);
        EXPECT_EQ(form.statusBar()->geometry().bottom(), form.height() - 1);
        EXPECT_EQ(client.top(), form.menuBar()->geometry().bottom() + 1);
    }
}

TEST_F(Form1Test, MenuBarHoldsEveryItemWithItsCaptionAndShortcut)
{
    struct Row { const char* menu; const char* name; const char* caption; const char* keys; };
    const Row rows[] = {
        {"檔案(&F)", "open", "開啟舊檔(&O)", "Ctrl+O"}, {"檔案(&F)", "save", "儲存檔案(&S)", "Ctrl+S"},
        {"檔案(&F)", "A", "另存新黨(&A)", ""},          {"檔案(&F)", "delete", "刪除檔案(&D)", "Ctrl+D"},
        {"檔案(&F)", "exit", "結束(&X)", ""},           {"編輯(&E)", "F", "尋找(&F)", "Ctrl+F"},
        {"編輯(&E)", "next", "找下一個", "F3"},          {"編輯(&E)", "H", "取代(&H)", "Ctrl+H"},
        {"編輯(&E)", "G", "簡轉繁(&G)", "Ctrl+G"},       {"編輯(&E)", "B", "繁轉簡(&B)", "Ctrl+B"},
        {"編輯(&E)", "srt", "字幕矯正(&W)", "Ctrl+W"},   {"編輯(&E)", "data", "時間/日期(&D)", "F5"},
        {"編輯(&E)", "cls", "清除", ""},                {"說明(&H)", "About", "關於(&A)", ""},
    };
    // The designed items come first in each menu, exactly as designed; anything added follows
    // behind a separator.
    QStringList shown;
    QStringList added;
    for (QAction* top : form.menuBar()->actions()) {
        bool beyond = false;
        for (QAction* item : top->menu()->actions()) {
            if (item->isSeparator()) {
                beyond = true;
                continue;
            }
            if (beyond) {
                added << item->text();
                continue;
            }
            EXPECT_TRUE(item->isEnabled());
            EXPECT_FALSE(item->isCheckable());
            shown << top->text() + "/" + item->objectName() + "/" + item->text() + "/"
                         + item->shortcut().toString();
        }
    }
    QStringList expected;
    for (const Row& r : rows)
        expected << u8(r.menu) + "/" + r.name + "/" + u8(r.caption) + "/" + r.keys;
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(added, (QStringList{u8("以其他編碼重新開啟(&R)"), u8("另存編碼(&N)"), u8("簡轉繁（台灣詞彙）(&T)"),
                                  u8("轉換偏好(&P)…"), u8("下一個待確認(&N)"), u8("上一個待確認(&U)"),
                                  u8("其他寫法(&L)…"), u8("顯示轉換標記(&M)"), u8("清除標記(&K)")}));
    // An added shortcut takes none of the designed ones.
    for (const char* name : {"phrase", "nextMark", "previousMark", "alternatives"}) {
        const QAction* action = form.findChild<QAction*>(name);
        ASSERT_TRUE(action) << name;
        ASSERT_FALSE(action->shortcut().isEmpty()) << name;
        EXPECT_FALSE(expected.join('|').contains("/" + action->shortcut().toString())) << name;
    }
}

TEST_F(Form1Test, SelectionCountsUtf16UnitsWithCrAndLfOneEach)
{
    form.Text1->assignText(u8("ab\r\n國😀cd\r\nef"));
    form.Text1->setSelStart(4);
    form.Text1->setSelLength(3);   // 國 and the two halves of 😀
    EXPECT_EQ(form.Text1->selStart(), 4);
    EXPECT_EQ(form.Text1->selLength(), 3);
    EXPECT_EQ(form.Text1->selectedText(), u8("國😀"));
    form.Text1->setSelStart(11);   // 'e' on the third line
    EXPECT_EQ(form.Text1->selStart(), 11);
    EXPECT_EQ(form.Text1->selLength(), 0) << "setting the start clears the length";
    form.Text1->setSelLength(100);   // clipped at the end
    EXPECT_EQ(form.Text1->selLength(), 2);
    form.Text1->setSelStart(500);
    EXPECT_EQ(form.Text1->selStart(), 13);
}

TEST_F(Form1Test, CommandsAreUndoableAndALoadStartsAFreshHistory)
{
    const QString path = file("a.txt", "one\r\n");
    ASSERT_TRUE(form.Sum(path));
    EXPECT_FALSE(form.Text1->isUndoAvailable());
    form.cls_Click();
    EXPECT_TRUE(text().isEmpty());
    EXPECT_EQ(caption(), path);
    form.Text1->undo();
    EXPECT_EQ(text(), "one\r\n");
}

TEST_F(Form1Test, OpenLoadsTheChosenFileAndCancelChangesNothing)
{
    const QString path = file("big5[*].txt", "\xA6\x72\xB9\xF5\n\xA5\x40"); // 字幕 LF 世
    prompt.fileNames = {path, ""};
    form.open_Click();
    form.show();
    EXPECT_EQ(form.currentFile(), path);
    EXPECT_EQ(form.windowHandle()->title(), path) << "Qt's modified marker must not eat [*]";
    EXPECT_EQ(text(), u8("字幕\n世\r\n"));
    EXPECT_EQ(prompt.dialogDirs.value(0), QDir::homePath());
    EXPECT_EQ(form.CommonDialog1.FileName, path);

    form.open_Click();   // cancelled
    EXPECT_EQ(form.windowHandle()->title(), path);
    EXPECT_EQ(text(), u8("字幕\n世\r\n"));
    EXPECT_TRUE(form.CommonDialog1.FileName.isEmpty());
}

void drop(TextArea* area, QMimeData* data);

TEST_F(Form1Test, NamesThatAreNotUtf8ShowTheirBytesAndLeftoverCopiesAreNamed)
{
    // GB2312 bytes in the name: it opens, saves and deletes under those bytes.
    const QByteArray native = QFile::encodeName(dir.path()) + "/\xB0\xA1.srt";
    const QString odd = document::pathFromNative(native);
    ::close(::open(native.constData(), O_CREAT | O_WRONLY, 0644));
    const QString copy = file(".h.srt.old.subbig5-Xy12Zw", "old content");
    ASSERT_TRUE(form.Sum(odd));
    EXPECT_EQ(caption(), dir.path() + QStringLiteral("/\\xb0\\xa1.srt"));
    form.save_Click();
    prompt.answers = {true};
    form.delete_Click();
    EXPECT_NE(::access(native.constData(), F_OK), 0) << "the file is gone";
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_TRUE(form.Sum(file("h.srt", "new")));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_TRUE(prompt.messages[0].text.contains(copy)) << "a save cut short left it";
    EXPECT_EQ(prompt.icons[0], Prompter::Icon::Warning);
}

TEST_F(Form1Test, ChangedTextIsNotDroppedWithoutAQuestion)
{
    using Choice = Prompter::SaveChoice;
    const QString a = file("a.txt", "a");
    const QString b = file("b.txt", "b");
    ASSERT_TRUE(form.Sum(a));
    form.Text1->assignText("edited");
    prompt.fileNames = {b};
    prompt.saveChoices = {Choice::Cancel};
    form.open_Click();
    EXPECT_EQ(text(), "edited");
    EXPECT_EQ(caption(), a);
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0].text, u8("文字已經修改，還沒有儲存。要先儲存嗎？"));

    form.show();
    prompt.saveChoices = {Choice::Cancel, Choice::Cancel};
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    form.exit_Click();
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 7) << "取消 keeps the program running";

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)});
    prompt.saveChoices = {Choice::Save};
    drop(form.Text1, &files);
    EXPECT_EQ(readFile(a), QByteArray("edited\r\n")) << "saved first";
    EXPECT_EQ(caption(), a) << "then the drop went on";
    EXPECT_TRUE(prompt.saveChoices.empty());

    form.Text1->assignText("again");
    prompt.saveChoices = {Choice::Discard};
    ASSERT_TRUE(form.Sum(b));
    EXPECT_EQ(text(), "b\r\n");
    EXPECT_EQ(readFile(a), QByteArray("edited\r\n"));
    form.Text1->assignText("b\r\n");   // back as it was: the undo history knows, nothing to ask
    form.Text1->undo();
    form.Text1->undo();
    ASSERT_TRUE(form.Sum(a));
    EXPECT_EQ(prompt.questions.size(), 5u);
}

TEST_F(Form1Test, RunningOutOfMemoryLeavesTheTextAsItWas)
{
    form.Text1->loadText(u8("字幕\r\n第二行"));
    form.Text1->setSelStart(3);
    form.Text1->setSelLength(2);
    const bool done = form.runWholeTextCommand([](const QString&) -> QString { throw std::bad_alloc(); });
    EXPECT_FALSE(done);
    EXPECT_EQ(text(), u8("字幕\r\n第二行"));
    EXPECT_EQ(form.Text1->selStart(), 3);
    EXPECT_EQ(form.Text1->selLength(), 2);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_TRUE(prompt.messages[0].text.contains(u8("記憶體不足")));
    EXPECT_FALSE(form.Text1->isUndoAvailable()) << "nothing to undo: nothing happened";
}

// exit_Click and closing the window end the application's event loop; a test that does either
// runs the application loop once more so the next dialog's exec() is not cut short.
void recoverFromExit()
{
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

TEST_F(Form1Test, ClosingTheWindowUnloadsTheFindDialogButExitDoesNot)
{
    // A settings folder of this test's own, so no other test writing settings meanwhile counts.
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    const QString ini = dir.filePath("config/SubBig5/SubBig5.ini");
    form.show();
    form.F_Click();
    form.exit_Click();   // ends at once: no window's closing steps
    EXPECT_FALSE(QFileInfo::exists(ini));
    EXPECT_TRUE(form.findChild<QDialog*>("Form3"));
    form.close();
    recoverFromExit();
    EXPECT_TRUE(QFileInfo::exists(ini)) << "the dialog stored its place on its way out";
    EXPECT_TRUE(readFile(ini).contains("Top="));
    if (savedConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedConfig);
}

TEST_F(Form1Test, AFailedLoadKeepsCaptionAndText)
{
    form.Text1->assignText("keep me");
    EXPECT_FALSE(form.Sum(dir.filePath("missing.txt")));
    EXPECT_FALSE(form.Sum(dir.path()));
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(form.Sum(fifo)) << "refused, not waited on";
    EXPECT_EQ(text(), "keep me");
    EXPECT_EQ(caption(), u8("SubBig5 字幕編輯器"));
    ASSERT_EQ(prompt.messages.size(), 3u);
    EXPECT_TRUE(prompt.messages[2].text.endsWith(u8("這不是一般檔案")));
    EXPECT_TRUE(prompt.messages[0].text.startsWith(u8("無法開啟檔案：") + dir.filePath("missing.txt")));
    EXPECT_TRUE(prompt.messages[0].text.contains(u8("檔案不存在")));
    EXPECT_EQ(prompt.icons[0], Prompter::Icon::Critical);
}

TEST_F(Form1Test, SaveWritesTextPlusCrLfAndSavesAsWithoutAFile)
{
    const QString path = file("s.txt", "a\r\nb\r\n");
    ASSERT_TRUE(form.Sum(path));
    form.save_Click();
    EXPECT_EQ(readFile(path), QByteArray("a\r\nb\r\n\r\n"));
    EXPECT_TRUE(prompt.questions.empty());

    Form1 fresh;
    fresh.setPrompter(&prompt);
    const QString target = dir.filePath("new.txt");
    prompt.fileNames = {target};
    fresh.save_Click();   // no file yet: asks for a name like Save As
    EXPECT_EQ(readFile(target), QByteArray("\r\n"));
    EXPECT_EQ(fresh.windowTitle(), target);
}

TEST_F(Form1Test, SaveAsAsksBeforeOverwriting)
{
    const QString existing = file("a.txt", "old");
    form.Text1->assignText(u8("新"));
    prompt.fileNames = {existing, existing};
    prompt.answers = {false, true};

    form.A_Click();
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0].text, u8("檔案") + existing + u8("已存在，是否要覆蓋？"));
    EXPECT_EQ(prompt.questions[0].title, "SubBig5");
    EXPECT_EQ(readFile(existing), QByteArray("old"));
    EXPECT_EQ(caption(), u8("SubBig5 字幕編輯器"));

    form.A_Click();
    EXPECT_EQ(readFile(existing), QByteArray("\xB7\x73\r\n"));
    EXPECT_EQ(caption(), existing);

    const QString hidden = file(".hidden.txt", "secret");
    prompt.fileNames = {hidden};
    prompt.answers = {false};
    form.A_Click();   // a hidden file is still a file the user would lose
    EXPECT_EQ(prompt.questions.size(), 3u);
    EXPECT_EQ(readFile(hidden), QByteArray("secret"));
}

TEST_F(Form1Test, SaveAsksBeforeTurningCharactersIntoQuestionMarks)
{
    const QString path = file("u.txt", "old");
    ASSERT_TRUE(form.Sum(path));
    form.Text1->assignText(u8("第一行\r\n简体字"));
    prompt.answers = {false, true};
    form.save_Click();
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_TRUE(prompt.questions[0].text.contains(u8("1 個字元")));
    EXPECT_TRUE(prompt.questions[0].text.contains(u8("第 2 行的「简」")));
    EXPECT_EQ(readFile(path), QByteArray("old")) << "No writes nothing";
    form.save_Click();
    EXPECT_EQ(readFile(path), QByteArray("\xB2\xC4\xA4\x40\xA6\xE6\r\n?\xCA\x5E\xA6\x72\r\n"));
}

TEST_F(Form1Test, DeleteAsksAndKeepsTextAndCaption)
{
    form.delete_Click();   // no file: nothing to delete, nothing asked
    EXPECT_TRUE(prompt.questions.empty());

    const QString path = file("d.txt", "x\r\n");
    ASSERT_TRUE(form.Sum(path));
    prompt.answers = {false, true};
    form.delete_Click();
    EXPECT_TRUE(QFileInfo::exists(path));
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0].title, u8("確認刪除檔案"));
    EXPECT_EQ(prompt.questions[0].text, u8("是否要將此檔案刪除"));
    // No data folder yet: the trash is made as the desktop's rules say, not in the working folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("new/share")));
    const QString working = QDir::currentPath();
    QDir::setCurrent(dir.path());
    form.delete_Click();
    QDir::setCurrent(working);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(readFile(dir.filePath("new/share/Trash/files/d.txt")), QByteArray("x\r\n"));
    EXPECT_TRUE(readFile(dir.filePath("new/share/Trash/info/d.txt.trashinfo")).contains("Path=" + QFile::encodeName(path)));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("files"))) << "nothing in the working folder";
    EXPECT_EQ(caption(), path);
    EXPECT_EQ(text(), "x\r\n");
    form.save_Click();   // the deleted file can be written again
    EXPECT_EQ(readFile(path), QByteArray("x\r\n\r\n"));
}

void drop(TextArea* area, QMimeData* data)
{
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area->viewport(), &enter);
    QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area->viewport(), &dropped);
}

TEST_F(Form1Test, DroppedFilesLoadInOrderAndDroppedTextDoesNothing)
{
    const QString a = file("A.txt", "first");
    const QString b = file("B.txt", "second");
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(dir.filePath("gone.txt")), QUrl::fromLocalFile(b)});
    drop(form.Text1, &files);
    EXPECT_EQ(caption(), b) << "a name that fails is reported and the rest still load";
    EXPECT_EQ(text(), "second\r\n");
    EXPECT_EQ(prompt.messages.size(), 1u);

    QMimeData words;
    words.setText("dropped words");
    drop(form.Text1, &words);
    EXPECT_EQ(caption(), b);
    EXPECT_EQ(text(), "second\r\n");
}

TEST_F(Form1Test, ShortcutsRunTheirItemsWhileTheTextAreaHasFocus)
{
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Text1->setFocus();
    const QString path = file("k.txt", "\xB9\xFA\r\n");   // GB2312 国, read as Big5
    ASSERT_TRUE(form.Sum(path));

    QTest::keyClick(form.Text1, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(text(), u8("國\r\n"));
    QTest::keyClick(form.Text1, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(cp950::encode(text()), QByteArray("\xB9\xFA\r\n"));
    form.Text1->assignText(u8("干杯"));
    QTest::keyClick(form.Text1, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(text(), u8("乾杯"));

    prompt.answers = {false};
    QTest::keyClick(form.Text1, Qt::Key_D, Qt::ControlModifier);   // delete, not duplicate-line
    EXPECT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(text(), u8("乾杯"));

    QTest::keyClick(form.Text1, Qt::Key_F5);
    EXPECT_FALSE(text().contains(u8("乾杯")));
    EXPECT_FALSE(text().contains(u'\n'));

    form.Text1->assignText("ab");
    QTest::keyClick(form.Text1, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(form.Text1, Qt::Key_Return);
    EXPECT_EQ(text(), "ab\r\n") << "Enter types CR LF";
    QTest::keyClick(form.Text1, Qt::Key_L, Qt::ControlModifier);   // Scintilla's line cut is gone
    QTest::keyClick(form.Text1, Qt::Key_T, Qt::ControlModifier);
    QTest::keyClick(form.Text1, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(text(), "ab\r\n");

    EXPECT_FALSE(form.findChild<QDialog*>("Form3"));
    QTest::keyClick(form.Text1, Qt::Key_F3);   // nothing to find yet: opens Find
    EXPECT_TRUE(form.findChild<QDialog*>("Form3"));
    form.activateWindow();
    QTest::keyClick(form.Text1, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(form.findChild<QDialog*>("Form2"));
}

TEST(Stamp, TwelveHourClockWithTheLocalesDesignators)
{
    const QLocale tw(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan);
    const std::pair<QDateTime, const char*> rows[] = {
        {QDateTime(QDate(2026, 12, 6), QTime(0, 5)), "上午 12:05 2026/12/06"},
        {QDateTime(QDate(2026, 12, 6), QTime(12, 5)), "下午 12:05 2026/12/06"},
        {QDateTime(QDate(2026, 12, 6), QTime(13, 5)), "下午 01:05 2026/12/06"},
        {QDateTime(QDate(2027, 2, 3), QTime(9, 4)), "上午 09:04 2027/02/03"},
    };
    for (const auto& [when, want] : rows)
        EXPECT_EQ(formatStamp(when, tw), u8(want));
    // Other locales bring their own designators and separators.
    const QString de = formatStamp(QDateTime(QDate(2027, 2, 3), QTime(21, 4)), QLocale(QLocale::German));
    EXPECT_TRUE(de.endsWith("09:04 2027.02.03")) << de.toStdString();
}

TEST_F(Form1Test, AboutShowsTitleVersionLicenceAndIconAndChangesNothing)
{
    const QString path = file("about.txt", "keep\r\n");
    ASSERT_TRUE(form.Sum(path));
    QString seenTitle, seenLine, seenVersion, seenTexts;
    bool hadIcon = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        seenTitle = box->windowTitle();
        seenLine = box->findChild<QLabel*>("title")->text();
        seenVersion = box->findChild<QLabel*>("version")->text();
        for (const QLabel* label : box->findChildren<QLabel*>())
            seenTexts += label->text() + u'\n';
        hadIcon = !box->findChild<QLabel*>("icon")->pixmap().isNull();
        box->accept();
    });
    form.About_Click();
    EXPECT_EQ(seenTitle, u8("關於 SubBig5 字幕編輯器"));
    EXPECT_EQ(seenLine, u8("SubBig5 字幕編輯器"));
    EXPECT_EQ(seenVersion, u8("版本 ") + QStringLiteral(SUBBIG5_VERSION));
    EXPECT_TRUE(seenTexts.contains("GPL-3.0-or-later"));
    EXPECT_FALSE(seenTexts.contains("example.")) << "no made-up address";
    EXPECT_TRUE(hadIcon);
    EXPECT_EQ(text(), "keep\r\n");
    EXPECT_EQ(caption(), path);
}

} // namespace
