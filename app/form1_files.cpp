// SPDX-License-Identifier: GPL-3.0-or-later
// The file commands of the main window and the encoding additions of its file menu.
#include "app/form1.h"

#include "app/preferences_dialog.h"
#include "app/prompter.h"
#include "app/status_bar.h"
#include "app/text_area.h"
#include "document/file_errors.h"
#include "document/native_path.h"
#include "document/save_file.h"
#include "document/text_file.h"
#include "document/trash.h"

#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include <cerrno>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The designed two, then an addition for subtitle files.
const QString kOpenFilter = QStringLiteral("純文字文件(*.txt)|*.txt") + QStringLiteral("|所有檔案(*.*)|*.*")
                            + QStringLiteral("|字幕檔 (*.srt *.ass *.ssa)|*.srt;*.ass;*.ssa");
const QString kSaveFilter = QStringLiteral("純文字檔|*.txt|所有檔案|*.*");

using document::Encoding;

} // namespace

bool Form1::Sum(const QString& path)
{
    return loadFile(path, std::nullopt);
}

bool Form1::loadFile(const QString& path, std::optional<Encoding> encoding, bool asked)
{
    loadDeclined_ = false;
    // Only a regular file: a FIFO or a device would block the window or read without end.
    struct stat st {};
    if (::stat(document::nativePath(path).constData(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        showError(QStringLiteral("無法開啟檔案"), path, QStringLiteral("這不是一般檔案"));
        return false;
    }
    // Read first: a load that fails leaves the caption and the text as they were.
    document::EditorRead r = document::readForEditor(path, encoding);
    if (!r.ok) {
        showError(QStringLiteral("無法開啟檔案"), path, r.reason);
        return false;
    }
    if (!asked && !mayReplaceText()) {
        loadDeclined_ = true;
        return false;
    }
    setCurrentFile(path);
    setDocumentEncoding(r.encoding);
    status_->clearNote();
    if (r.utf8.isNull())
        Text1->loadText(r.text);
    else
        Text1->loadUtf8(r.utf8);
    // A save of this file that was cut short left copies: say where, and leave them to the user.
    if (const QStringList copies = document::leftoverCopies(path); !copies.isEmpty()) {
        QStringList shown;
        for (const QString& copy : copies)
            shown << document::displayPath(copy);
        prompter_->tell(this, kAppTitle, document::leftoversMessage(shown), Prompter::Icon::Warning);
    }
    return true;
}

bool Form1::mayReplaceText()
{
    // Text as last opened or saved (Scintilla's save point) goes without a question.
    if (!Text1->isModified())
        return true;
    const QString question = QStringLiteral("文字已經修改，還沒有儲存。要先儲存嗎？");
    switch (prompter_->askSave(this, kAppTitle, question)) {
    case Prompter::SaveChoice::Save:
        return currentFile_.isEmpty() ? saveAs() : writeDocument(currentFile_, encoding_);
    case Prompter::SaveChoice::Discard:
        return true;
    case Prompter::SaveChoice::Cancel:
        break;
    }
    return false;
}

void Form1::setDocumentEncoding(Encoding encoding)
{
    encoding_ = encoding;
    setSaveAsEncoding(encoding);
    if (marks_)
        showStatus();
}

void Form1::setSaveAsEncoding(Encoding encoding)
{
    saveAsEncoding_ = encoding;
    if (!saveAsGroup_)
        return;
    for (QAction* action : saveAsGroup_->actions())
        action->setChecked(action->data().toInt() == int(encoding));
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

bool Form1::writeDocument(const QString& path, Encoding encoding)
{
    // A text too large for a second copy in memory is reported, never a crash with it unsaved.
    QString text;
    QByteArray bytes;
    std::vector<cp950::Unencodable> misses;
    try {
        text = Text1->text();
        bytes = document::fileBytes(text, encoding, &misses);
    } catch (const std::bad_alloc&) {
        showError(QStringLiteral("無法儲存檔案"), path, QStringLiteral("記憶體不足"));
        return false;
    }
    if (!misses.empty()) {
        const document::Unsavable u = document::describeUnsavable(text, misses);
        const QString question =
            QStringLiteral("文字中有 %1 個字元無法以 %4 儲存（第一個是第 %2 行的「%3」），"
                           "儲存後這些字元會變成「?」。\n是否仍要儲存？")
                .arg(u.count)
                .arg(u.line)
                .arg(u.first, document::encodingName(encoding));
        if (!prompter_->askYesNo(this, kAppTitle, question))
            return false;
    }
    const document::WriteResult w = document::writeFileBytes(path, bytes);
    if (!w.ok) {
        showError(QStringLiteral("無法儲存檔案"), path, w.reason);
        return false;
    }
    Text1->setModified(false);
    return true;
}

void Form1::save_Click()
{
    if (currentFile_.isEmpty()) {
        A_Click();   // no file yet: the caption is the title line, not a path
        return;
    }
    writeDocument(currentFile_, encoding_);
}

void Form1::A_Click()
{
    saveAs();
}

bool Form1::saveAs()
{
    CommonDialog1.Filter = kSaveFilter;
    CommonDialog1.FileName.clear();
    CommonDialog1.FileName = prompter_->saveFileName(this, CommonDialog1.InitDir,
                                                      qtFileFilter(CommonDialog1.Filter));
    const QString path = CommonDialog1.FileName;
    if (path.isEmpty())
        return false;
    // Any existing file counts, hidden ones too: overwriting without asking loses data.
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        const QString question = QStringLiteral("檔案") + document::displayPath(path) + QStringLiteral("已存在，是否要覆蓋？");
        if (!prompter_->askYesNo(this, kAppTitle, question))
            return false;
    }
    if (!writeDocument(path, saveAsEncoding_))
        return false;
    setCurrentFile(path);
    setDocumentEncoding(saveAsEncoding_);   // the document is now that file
    return true;
}

void Form1::delete_Click()
{
    if (currentFile_.isEmpty())
        return;
    const QString path = currentFile_;
    if (!prompter_->askYesNo(this, QStringLiteral("確認刪除檔案"), QStringLiteral("是否要將此檔案刪除")))
        return;
    // By the name's own bytes: a name that is not UTF-8 is one Qt cannot spell.
    const QByteArray native = document::nativePath(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        showError(QStringLiteral("無法刪除檔案"), path, document::systemReason(errno));
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        showError(QStringLiteral("無法刪除檔案"), path, QStringLiteral("這不是一般檔案"));
        return;
    }
    // The trash keeps a way back (its folders made as the desktop's rules say, never in the
    // working folder); where none can be had, delete for good as asked.
    if (document::moveToTrash(native).ok)
        return;
    if (::unlink(native.constData()) != 0)
        showError(QStringLiteral("無法刪除檔案"), path, document::systemReason(errno));
}

void Form1::reopenAs(std::optional<Encoding> encoding)
{
    if (currentFile_.isEmpty())
        return;
    if (Text1->isModified()
        && !prompter_->askYesNo(this, kAppTitle, QStringLiteral("重新開啟會放棄尚未儲存的修改，是否繼續？")))
        return;
    loadFile(currentFile_, encoding, true);
}

// Beyond the designed menus, after their items and behind a separator: the phrase-level
// conversion in the edit menu; in the file menu, reopening the file in an encoding the user
// names (GB18030 is never guessed) and the encoding Save As writes.
void Form1::buildReviewItems(QMenu* editMenu)
{
    editMenu->addSeparator();
    struct Item {
        const char* name;
        const char16_t* caption;
        const char* shortcut;
        void (Form1::*handler)();
    };
    static const Item kItems[] = {
        {"nextMark", u"下一個待確認(&N)", "F8", &Form1::nextMark_Click},
        {"previousMark", u"上一個待確認(&U)", "Shift+F8", &Form1::previousMark_Click},
        {"alternatives", u"其他寫法(&L)…", "Ctrl+F8", &Form1::alternatives_Click},
    };
    for (const Item& item : kItems) {
        QAction* action = editMenu->addAction(QString::fromUtf16(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
        connect(action, &QAction::triggered, this, item.handler);
    }
    QAction* show = editMenu->addAction(QStringLiteral("顯示轉換標記(&M)"));
    show->setObjectName("showMarks");
    show->setCheckable(true);
    show->setChecked(marksShown_);
    connect(show, &QAction::toggled, this, &Form1::showMarks_Click);
    QAction* clear = editMenu->addAction(QStringLiteral("清除標記(&K)"));
    clear->setObjectName("clearMarks");
    connect(clear, &QAction::triggered, this, &Form1::clearMarks_Click);
}

void Form1::buildAdditions(QMenu* fileMenu, QMenu* editMenu)
{
    editMenu->addSeparator();
    QAction* phrase = editMenu->addAction(QStringLiteral("簡轉繁（台灣詞彙）(&T)"));
    phrase->setObjectName("phrase");
    phrase->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+G")));
    connect(phrase, &QAction::triggered, this, &Form1::phrase_Click);
    QAction* prefer = editMenu->addAction(QStringLiteral("轉換偏好(&P)…"));
    prefer->setObjectName("preferences");
    connect(prefer, &QAction::triggered, this, [this] {
        PreferencesDialog dialog(this);
        if (dialog.exec() == QDialog::Accepted) {
            phrase::setPreferences(dialog.chosen());
            savePreferences(dialog.chosen());
        }
    });
    buildReviewItems(editMenu);

    fileMenu->addSeparator();
    QMenu* reopen = fileMenu->addMenu(QStringLiteral("以其他編碼重新開啟(&R)"));
    reopen->setObjectName("reopen");
    reopen->addAction(QStringLiteral("自動判斷"), this, [this] { reopenAs(std::nullopt); });
    for (Encoding e : {Encoding::Big5, Encoding::Utf8, Encoding::Utf16LE, Encoding::Utf16BE, Encoding::Gb18030})
        reopen->addAction(document::encodingName(e), this, [this, e] { reopenAs(e); });

    QMenu* saveAs = fileMenu->addMenu(QStringLiteral("另存編碼(&N)"));
    saveAs->setObjectName("saveAsEncoding");
    saveAsGroup_ = new QActionGroup(this);
    for (Encoding e : document::kAllEncodings) {
        QAction* action = saveAs->addAction(document::encodingName(e));
        action->setCheckable(true);
        action->setData(int(e));
        saveAsGroup_->addAction(action);
        connect(action, &QAction::triggered, this, [this, e] { setSaveAsEncoding(e); });
    }
    setSaveAsEncoding(saveAsEncoding_);
}
