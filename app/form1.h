// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Form1: the main window. It owns the one document (the text in Text1, the file it came
// from and that file's encoding), the shared find settings and the menu commands.

#include "document/commands.h"
#include "document/encoding.h"
#include "find/find_engine.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <optional>

class Form2;
class Form3;
class MarkView;
class Prompter;
class QActionGroup;
class StatusBar;
class TextArea;

// What the file commands set on and read from the common file dialog.
struct CommonDialog {
    QString FileName;
    QString InitDir;
    QString Filter;   // "description|pattern|..." pairs
};

class Form1 : public QMainWindow, public find::FindSettings {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    TextArea* Text1 = nullptr;
    CommonDialog CommonDialog1;

    // The status bar: a note on what the last command did, fields for the document's state.
    StatusBar* status() const { return status_; }

    // Message boxes and file dialogs go through this; tests put a scripted one in.
    void setPrompter(Prompter* prompter);
    Prompter& prompter() const { return *prompter_; }

    // Loads a file into the editor, in the encoding Open detects; on failure tells the user
    // and changes nothing.
    bool Sum(const QString& path);
    // The same in a chosen encoding (none: detect). Text changed since it was last opened or
    // saved is replaced only after the user says so (unless `asked` already).
    bool loadFile(const QString& path, std::optional<document::Encoding> encoding, bool asked = false);
    // Searches with WFindText, FindUL and FindMode from the current selection.
    void FindText();

    // The document's identity: its file (empty before the first load or Save As) and that
    // file's encoding, which Save writes and which decides how the text converts.
    QString currentFile() const { return currentFile_; }
    document::Encoding encoding() const { return encoding_; }
    // The encoding the next Save As writes (the document's own unless the user chose another);
    // after a Save As it is the document's encoding.
    document::Encoding saveAsEncoding() const { return saveAsEncoding_; }
    void setSaveAsEncoding(document::Encoding encoding);

    // Runs a command that replaces the whole text: one undo step, the wait cursor meanwhile.
    // Running out of memory is reported and leaves the text and the caret as they were.
    bool runWholeTextCommand(const std::function<QString(const QString&)>& command);

public slots:
    void open_Click();
    void save_Click();
    void A_Click();
    void delete_Click();
    void exit_Click();
    void F_Click();
    void next_Click();
    void H_Click();
    void G_Click();
    void B_Click();
    void srt_Click();
    void data_Click();
    void cls_Click();
    void About_Click();
    // Added beyond the designed menus: phrase-level 簡轉繁 for Taiwan.
    void phrase_Click();
    // Added: review marks of the last conversion.
    void nextMark_Click();
    void previousMark_Click();
    void alternatives_Click();
    void showMarks_Click(bool on);
    void clearMarks_Click();

public:
    MarkView& marks() const { return *marks_; }
    bool marksShown() const { return marksShown_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildAdditions(QMenu* fileMenu, QMenu* editMenu);
    void buildReviewItems(QMenu* editMenu);
    void showStatus();
    void reopenAs(std::optional<document::Encoding> encoding);
    void setCurrentFile(const QString& path);
    bool writeDocument(const QString& path, document::Encoding encoding);
    bool saveAs();
    bool mayReplaceText();
    void setDocumentEncoding(document::Encoding encoding);
    void showError(const QString& what, const QString& path, const QString& reason);
    // Runs `action` with the wait cursor; running out of memory is reported and puts the
    // caret back (the action changes nothing it has not finished).
    bool guarded(const std::function<void()>& action);
    void reportFindings(const modBig2GB::GbFindings& findings, bool traditional);
    bool runCommand(document::Command command);

    Prompter* prompter_;
    StatusBar* status_ = nullptr;
    QString currentFile_;
    document::Encoding encoding_ = document::Encoding::Big5;
    document::Encoding saveAsEncoding_ = document::Encoding::Big5;
    QActionGroup* saveAsGroup_ = nullptr;
    bool centred_ = false;
    bool loadDeclined_ = false;   // the last load stopped at the user's 取消
    QPointer<Form3> form3_;
    QPointer<Form2> form2_;
    MarkView* marks_ = nullptr;
    bool marksShown_ = true;
};

// The product's title line (the caption before any file) and the application title
// (message boxes without a title of their own, the settings store); its version (the CMake
// project's).
inline const QString kAppTitle = QStringLiteral(SUBBIG5_PRODUCT_NAME);
inline const QString kTitleLine = kAppTitle + QStringLiteral(" 字幕編輯器");
inline const QString kAppVersion = QStringLiteral(SUBBIG5_VERSION);

// The command line as one path: arguments joined by single spaces, every '"' removed.
QString commandLinePath(const QStringList& arguments);
// The same from the program's raw arguments, before Qt sees them: a name such as "-reverse"
// is a path here, and a name that is not UTF-8 keeps its bytes.
QString commandLinePath(int argc, char** argv);

// "純文字檔|*.txt|所有檔案|*.*" in the form Qt's file dialogs take: every description with its
// pattern, to be shown without the pattern (QFileDialog::HideNameFilterDetails).
QString qtFileFilter(const QString& pairs);
