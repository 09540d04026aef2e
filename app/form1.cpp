// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

#include "app/about_box.h"
#include "app/mark_view.h"
#include "app/prompter.h"
#include "app/stamp.h"
#include "app/status_bar.h"
#include "app/text_area.h"
#include "convert/findings.h"
#include "document/commands.h"
#include "document/native_path.h"
#include "find/find_dialog.h"
#include "find/replace_dialog.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLocale>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>

#include <new>

namespace {

QtPrompter& qtPrompter()
{
    static QtPrompter p;
    return p;
}

struct MenuItem {
    const char* menu;       // name of the menu the item belongs to
    const char* name;       // the item's name, also its Qt object name
    const char16_t* caption;
    const char* shortcut;   // empty: none
    void (Form1::*handler)();
};

struct Menu {
    const char* name;
    const char16_t* caption;
};

// The menu bar, item by item, in the order shown.
const Menu kMenus[] = {
    {"file", u"檔案(&F)"},
    {"E", u"編輯(&E)"},
    {"Help", u"說明(&H)"},
};

const MenuItem kMenuItems[] = {
    {"file", "open",   u"開啟舊檔(&O)",  "Ctrl+O", &Form1::open_Click},
    {"file", "save",   u"儲存檔案(&S)",  "Ctrl+S", &Form1::save_Click},
    {"file", "A",      u"另存新黨(&A)",  "",       &Form1::A_Click},
    {"file", "delete", u"刪除檔案(&D)",  "Ctrl+D", &Form1::delete_Click},
    {"file", "exit",   u"結束(&X)",      "",       &Form1::exit_Click},
    {"E",    "F",      u"尋找(&F)",      "Ctrl+F", &Form1::F_Click},
    {"E",    "next",   u"找下一個",      "F3",     &Form1::next_Click},
    {"E",    "H",      u"取代(&H)",      "Ctrl+H", &Form1::H_Click},
    {"E",    "G",      u"簡轉繁(&G)",    "Ctrl+G", &Form1::G_Click},
    {"E",    "B",      u"繁轉簡(&B)",    "Ctrl+B", &Form1::B_Click},
    {"E",    "srt",    u"字幕矯正(&W)",  "Ctrl+W", &Form1::srt_Click},
    {"E",    "data",   u"時間/日期(&D)", "F5",     &Form1::data_Click},
    {"E",    "cls",    u"清除",          "",       &Form1::cls_Click},
    {"Help", "About",  u"關於(&A)",      "",       &Form1::About_Click},
};

// After 繁轉簡 on the Big5 road: what the text now holds, and how to read it; short enough for
// the designed window, the whole story in its tooltip.
const QString kGbShownAsBig5 = QStringLiteral("GB2312 字碼以 Big5 顯示故似亂碼；存檔後以其他編碼重新開啟 > GB18030 可讀");
const QString kGbShownAsBig5Details = QStringLiteral(
    "繁轉簡完成：文字現在是 GB2312 字碼，以 Big5 顯示，所以看似亂碼，這是設計如此。\n"
    "存檔即寫出 GB2312 檔案；存檔後用「檔案 > 以其他編碼重新開啟 > GB18030」可在這裡閱讀。");

} // namespace

QString commandLinePath(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << document::pathFromNative(argv[i]);
    return commandLinePath(arguments);
}

QString commandLinePath(const QStringList& arguments)
{
    QString path = arguments.join(u' ');
    path.remove(u'"');
    return path;
}

QString qtFileFilter(const QString& pairs)
{
    const QStringList parts = pairs.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // "*.*" must be "*" here to list files without a dot too.
        const QString pattern = parts[i + 1] == u"*.*" ? QStringLiteral("*") : QString(parts[i + 1]).replace(u';', u' ');
        filters << parts[i] + QStringLiteral(" (") + pattern + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

Form1::Form1(QWidget* parent) : QMainWindow(parent), prompter_(&qtPrompter())
{
    setObjectName("Form1");
    setCurrentFile(QString());
    setWindowIcon(QIcon(QStringLiteral(":/app/subbig5.svg")));

    Text1 = new TextArea(this);
    setCentralWidget(Text1);   // the central widget always covers the client area
    connect(Text1, &TextArea::filesDropped, this, [this](const QStringList& paths) {
        for (const QString& path : paths) {
            // Each in turn; one that fails is reported and the rest still load. 取消 ends it.
            if (!Sum(path) && loadDeclined_)
                break;
        }
    });

    status_ = new StatusBar(this);
    setStatusBar(status_);
    marks_ = new MarkView(*Text1);
    connect(marks_, &MarkView::uncertainCountChanged, this, &Form1::showStatus);
    buildMenus();
    showStatus();

    // Client area 7500 x 5970 twips between the menus and the status bar; centred on the
    // screen when first shown.
    resize(500, 398 + menuBar()->sizeHint().height() + status_->sizeHint().height());
    Text1->setFocus();
}

Form1::~Form1() = default;

void Form1::buildMenus()
{
    QMenu* menus[std::size(kMenus)] = {};
    for (size_t m = 0; m < std::size(kMenus); ++m) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf16(kMenus[m].caption));
        menu->setObjectName(QString::fromLatin1(kMenus[m].name));
        menus[m] = menu;
        for (const MenuItem& item : kMenuItems) {
            if (qstrcmp(item.menu, kMenus[m].name) != 0)
                continue;
            QAction* action = menu->addAction(QString::fromUtf16(item.caption));
            action->setObjectName(QString::fromLatin1(item.name));
            if (*item.shortcut)
                action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
            // Every command first takes away the status bar's note on the one before.
            connect(action, &QAction::triggered, status_, &StatusBar::clearNote);
            connect(action, &QAction::triggered, this, item.handler);
        }
    }
    const QList<QAction*> designed = menuBar()->findChildren<QAction*>();
    buildAdditions(menus[0], menus[1]);
    // The additions' commands take it away too (after their own work, so none may write one).
    for (QAction* action : menuBar()->findChildren<QAction*>()) {
        if (!designed.contains(action) && !action->menu())
            connect(action, &QAction::triggered, status_, &StatusBar::clearNote);
    }
}

void Form1::setPrompter(Prompter* prompter)
{
    prompter_ = prompter ? prompter : &qtPrompter();
}

void Form1::setCurrentFile(const QString& path)
{
    currentFile_ = path;
    // Qt reads "[*]" in a caption as its modified marker; doubled, it shows as written.
    // A name that is not UTF-8 shows its stray bytes as \xNN; a valid one exactly as it is.
    setWindowTitle(path.isEmpty() ? kTitleLine
                                  : document::displayPath(path).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

void Form1::showError(const QString& what, const QString& path, const QString& reason)
{
    prompter_->tell(this, kAppTitle, what + QStringLiteral("：") + document::displayPath(path) + QStringLiteral("\n") + reason,
                    Prompter::Icon::Critical);
}

void Form1::exit_Click()
{
    // Ends at once: no window's closing steps run. Only changed text is asked about.
    if (mayReplaceText())
        QApplication::exit(0);
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    // Only now is the frame known, so the whole window, title bar included, is centred.
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (!mayReplaceText()) {
        event->ignore();
        return;
    }
    // Closing the window unloads the Find dialog like any other unload: it stores its place.
    if (form3_)
        form3_->close();
    event->accept();
    QApplication::exit(0);
}

void Form1::FindText()
{
    find::FindResult r;
    if (!guarded([&] { r = find::findText(Text1->text(), Text1->selStart(), Text1->selLength(), *this); }))
        return;
    switch (r.kind) {
    case find::FindResult::Kind::Select:
        Text1->setSelStart(r.start);
        Text1->setSelLength(r.length);
        break;
    case find::FindResult::Kind::NotFound:
        prompter_->tell(this, kAppTitle, find::notFoundMessage(WFindText), Prompter::Icon::Information);
        break;
    case find::FindResult::Kind::Nothing:
        break;
    }
}

void Form1::F_Click()
{
    if (!form3_)
        form3_ = new Form3(*this, [this] { FindText(); }, this);
    form3_->show();
    form3_->raise();
    form3_->activateWindow();
}

void Form1::next_Click()
{
    if (WFindText.isEmpty())
        F_Click();
    else
        FindText();
}

void Form1::H_Click()
{
    if (!form2_) {
        form2_ = new Form2(*Text1, this);
        form2_->setCommandRunner([this](const std::function<QString(const QString&)>& command) {
            runWholeTextCommand(command);
        });
    }
    form2_->show();
    form2_->raise();
    form2_->activateWindow();
}

bool Form1::runWholeTextCommand(const std::function<QString(const QString&)>& command)
{
    return guarded([&] { Text1->assignText(command(Text1->text())); });
}

bool Form1::guarded(const std::function<void()>& action)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const qsizetype start = Text1->selStart();
    const qsizetype length = Text1->selLength();
    bool done = false;
    try {
        action();
        done = true;
    } catch (const std::bad_alloc&) {
        // Nothing was assigned: the text stands as it was; put the caret back too.
        Text1->setSelStart(start);
        Text1->setSelLength(length);
    }
    QApplication::restoreOverrideCursor();
    if (!done) {
        prompter_->tell(this, kAppTitle, QStringLiteral("記憶體不足，無法完成這個命令。文字沒有改變。"),
                        Prompter::Icon::Critical);
    }
    return done;
}

void Form1::reportFindings(const modBig2GB::GbFindings& findings, bool traditional)
{
    // Reopening a Traditional Big5 text as GB18030 would only garble it further.
    const QString hint = encoding_ == document::Encoding::Big5 && !traditional
                             ? QStringLiteral("這個檔案可以用「檔案 > 以其他編碼重新開啟 > GB18030」開啟")
                             : QString();
    const QString what = modBig2GB::describeFindings(findings, hint);
    if (!what.isEmpty())
        prompter_->tell(this, kAppTitle, QStringLiteral("轉換已完成。\n") + what, Prompter::Icon::Information);
}

// Runs a conversion or correction command on the whole text through the document's road;
// true when it did.
bool Form1::runCommand(document::Command command)
{
    if (const QString why = document::commandUnavailable(command); !why.isEmpty()) {
        prompter_->tell(this, kAppTitle, why, Prompter::Icon::Critical);
        return false;
    }
    // 簡轉繁 over a text that is Traditional already garbles it: the user decides.
    bool traditional = false;
    if (!guarded([&] { traditional = document::alreadyInTheFormItMakes(command, Text1->text(), encoding_); }))
        return false;
    if (traditional
        && !prompter_->askYesNo(this, kAppTitle,
                                document::alreadyTraditionalMessage()
                                    + QStringLiteral("，再轉換會變成亂碼。\n是否仍要轉換？")))
        return false;
    document::CommandResult result;
    review::MarkList marks;
    const bool done = runWholeTextCommand([&](const QString& text) {
        result = document::runCommand(command, text, encoding_);
        if (result.ok && marksShown_)
            marks = document::commandMarks(command, text, result.text, encoding_);
        return result.ok ? result.text : text;
    });
    if (done && result.ok && !marks.marks.empty())
        marks_->show(result.text, std::move(marks));
    if (done && !result.ok)
        prompter_->tell(this, kAppTitle, result.error, Prompter::Icon::Critical);
    else if (done && command != document::Command::Big5ToGb && command != document::Command::Correct)
        reportFindings(result.findings, traditional);
    return done && result.ok;
}

void Form1::G_Click() { runCommand(document::Command::GbToBig5); }

void Form1::B_Click()
{
    // As designed, the GB2312 bytes show through Big5 and look broken; a quiet line says why.
    if (runCommand(document::Command::Big5ToGb) && encoding_ == document::Encoding::Big5)
        status_->setNote(kGbShownAsBig5, kGbShownAsBig5Details);
}
void Form1::srt_Click() { runCommand(document::Command::Correct); }
void Form1::phrase_Click() { runCommand(document::Command::Phrase); }

void Form1::showStatus()
{
    const int left = marks_->uncertainCount();
    status_->setField(QStringLiteral("marks"), left > 0 ? QStringLiteral("%1 處待確認").arg(left) : QString());
    status_->setField(QStringLiteral("encoding"), document::encodingName(encoding_));
}

void Form1::nextMark_Click() { marks_->selectNext(); }
void Form1::previousMark_Click() { marks_->selectPrevious(); }
void Form1::alternatives_Click() { marks_->openAlternativesAtCaret(); }
void Form1::clearMarks_Click() { marks_->clear(); }

void Form1::showMarks_Click(bool on)
{
    // Off, no command works out marks at all; on, from the next command.
    marksShown_ = on;
    if (!on)
        marks_->clear();
}

void Form1::data_Click()
{
    guarded([this] { Text1->assignText(formatStamp(QDateTime::currentDateTime(), QLocale())); });
}

void Form1::cls_Click()
{
    guarded([this] { Text1->assignText(QString()); });
}

void Form1::About_Click()
{
    AboutBox box(windowIcon(), this);
    box.exec();
}
