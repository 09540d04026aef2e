#include "app/form1.h"

#include "app/about_box.h"
#include "app/document.h"
#include "app/prompter.h"
#include "app/stamp.h"
#include "app/text_area.h"
#include "convert/conversion.h"
#include "correct/correction.h"
#include "find/find_dialog.h"
#include "find/replace_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QShowEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMenuBar>
#include <QScreen>

namespace {

QtPrompter& qtPrompter()
{
    static QtPrompter p;
    return p;
}

const QString kOpenFilter = QStringLiteral("純文字文件(*.txt)|*.txt") + QStringLiteral("|所有檔案(*.*)|*.*");
const QString kSaveFilter = QStringLiteral("純文字檔|*.txt|所有檔案|*.*");

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

} // namespace

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
        const QString& description = parts[i];
        QString pattern = parts[i + 1];
        // A description that already shows its pattern is taken as it stands, except "*.*",
        // which here must be "*" to list files without a dot too.
        if (pattern != u"*.*" && description.endsWith(u'(' + pattern + u')')) {
            filters << description;
            continue;
        }
        if (pattern == u"*.*")
            pattern = QStringLiteral("*");
        filters << description + QStringLiteral(" (") + pattern.replace(u';', u' ') + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

Form1::Form1(QWidget* parent) : QMainWindow(parent), prompter_(&qtPrompter())
{
    setObjectName("Form1");
    setWindowTitle(QString::fromUtf16(kTitleLine));
    setWindowIcon(QIcon(QStringLiteral(":/app/subbig5.svg")));

    Text1 = new TextArea(this);
    setCentralWidget(Text1);   // the central widget always covers the client area
    connect(Text1, &TextArea::filesDropped, this, [this](const QStringList& paths) {
        for (const QString& path : paths)
            Sum(path);   // each in turn; one that fails is reported and the rest still load
    });

    buildMenus();

    // Client area 7500 x 5970 twips; centred on the screen when first shown.
    resize(500, 398 + menuBar()->sizeHint().height());
    Text1->setFocus();
}

Form1::~Form1() = default;

void Form1::buildMenus()
{
    for (const Menu& m : kMenus) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf16(m.caption));
        menu->setObjectName(QString::fromLatin1(m.name));
        for (const MenuItem& item : kMenuItems) {
            if (qstrcmp(item.menu, m.name) != 0)
                continue;
            QAction* action = menu->addAction(QString::fromUtf16(item.caption));
            action->setObjectName(QString::fromLatin1(item.name));
            if (*item.shortcut)
                action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
            connect(action, &QAction::triggered, this, item.handler);
        }
    }
}

void Form1::setPrompter(Prompter* prompter)
{
    prompter_ = prompter ? prompter : &qtPrompter();
}

void Form1::showError(const QString& what, const QString& path, const QString& reason)
{
    prompter_->tell(this, QString::fromUtf16(kAppTitle),
                    what + QStringLiteral("：") + path + QStringLiteral("\n") + reason,
                    Prompter::Icon::Critical);
}

bool Form1::Sum(const QString& path)
{
    // Read first: a load that fails leaves the caption and the text as they were.
    document::ReadResult r = document::readTextFile(path);
    if (!r.ok) {
        showError(QStringLiteral("無法開啟檔案"), path, r.reason);
        return false;
    }
    setWindowTitle(path);
    Text1->loadText(r.text);
    hasFile_ = true;
    return true;
}

void Form1::open_Click()
{
    CommonDialog1.InitDir = QDir::homePath();   // stands for the system drive's root
    CommonDialog1.Filter = kOpenFilter;
    CommonDialog1.FileName.clear();
    CommonDialog1.FileName = prompter_->openFileName(this, CommonDialog1.InitDir,
                                                      qtFileFilter(CommonDialog1.Filter));
    if (CommonDialog1.FileName.isEmpty())
        return;
    Sum(CommonDialog1.FileName);
}

bool Form1::writeDocument(const QString& path)
{
    const QString text = Text1->text();
    std::vector<cp950::Unencodable> misses;
    const QByteArray bytes = document::fileBytes(text, &misses);
    if (!misses.empty()) {
        const document::Unsavable u = document::describeUnsavable(text, misses);
        const QString question =
            QStringLiteral("文字中有 %1 個字元無法以 Big5 儲存（第一個是第 %2 行的「%3」），"
                           "儲存後這些字元會變成「?」。\n是否仍要儲存？")
                .arg(u.count).arg(u.line).arg(u.first);
        if (!prompter_->askYesNo(this, QString::fromUtf16(kAppTitle), question))
            return false;
    }
    const document::WriteResult w = document::writeFileBytes(path, bytes);
    if (!w.ok) {
        showError(QStringLiteral("無法儲存檔案"), path, w.reason);
        return false;
    }
    return true;
}

void Form1::save_Click()
{
    const QString path = windowTitle();
    if (path.isEmpty())
        return;
    if (!hasFile_) {
        A_Click();   // no file yet: the caption is the title line, not a path
        return;
    }
    writeDocument(path);
}

void Form1::A_Click()
{
    CommonDialog1.Filter = kSaveFilter;
    CommonDialog1.FileName.clear();
    CommonDialog1.FileName = prompter_->saveFileName(this, CommonDialog1.InitDir,
                                                      qtFileFilter(CommonDialog1.Filter));
    const QString path = CommonDialog1.FileName;
    if (path.isEmpty())
        return;
    // Any existing file counts, hidden ones too: overwriting without asking loses data.
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        const QString question = QStringLiteral("檔案") + path + QStringLiteral("已存在，是否要覆蓋？");
        if (!prompter_->askYesNo(this, QString::fromUtf16(kAppTitle), question))
            return;
    }
    if (!writeDocument(path))
        return;
    setWindowTitle(path);
    hasFile_ = true;
}

void Form1::delete_Click()
{
    const QString path = windowTitle();
    if (path.isEmpty() || !hasFile_)
        return;
    if (!prompter_->askYesNo(this, QStringLiteral("確認刪除檔案"), QStringLiteral("是否要將此檔案刪除")))
        return;
    if (!QFileInfo(path).isFile()) {
        showError(QStringLiteral("無法刪除檔案"), path,
                  QFileInfo::exists(path) ? QStringLiteral("這不是一般檔案") : QStringLiteral("檔案不存在"));
        return;
    }
    // The trash keeps a way back; where there is none, delete for good as asked.
    QFile file(path);
    if (!file.moveToTrash() && !file.remove())
        showError(QStringLiteral("無法刪除檔案"), path, file.errorString());
}

void Form1::exit_Click()
{
    // Ends at once: no window's closing steps run, nothing is asked.
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
    event->accept();
    QApplication::exit(0);
}

void Form1::FindText()
{
    const FindResult r = findText(Text1->text(), Text1->selStart(), Text1->selLength(), *this);
    switch (r.kind) {
    case FindResult::Kind::Select:
        Text1->setSelStart(r.start);
        Text1->setSelLength(r.length);
        break;
    case FindResult::Kind::NotFound:
        prompter_->tell(this, QString::fromUtf16(kAppTitle), notFoundMessage(WFindText),
                        Prompter::Icon::Information);
        break;
    case FindResult::Kind::Nothing:
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
    if (!form2_)
        form2_ = new Form2(*Text1, this);
    form2_->show();
    form2_->raise();
    form2_->activateWindow();
}

void Form1::transformText(QString (*transform)(const QString&))
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Text1->assignText(transform(Text1->text()));
    QApplication::restoreOverrideCursor();
}

void Form1::G_Click() { transformText(&GBToBig); }
void Form1::B_Click() { transformText(&BigToGB); }
void Form1::srt_Click() { transformText(&correctSubtitles); }

void Form1::data_Click()
{
    Text1->assignText(formatStamp(QDateTime::currentDateTime(), QLocale()));
}

void Form1::cls_Click()
{
    Text1->assignText(QString());
}

void Form1::About_Click()
{
    AboutBox box(windowIcon(), this);
    box.exec();
}
