#pragma once
// Form1: the main window. It owns the one document (the text in Text1 and the caption,
// which holds the document's path), the shared find settings and the menu commands.

#include "find/find_engine.h"

#include <QMainWindow>
#include <QPointer>

class Form2;
class Form3;
class Prompter;
class TextArea;

// What the file commands set on and read from the common file dialog.
struct CommonDialog {
    QString FileName;
    QString InitDir;
    QString Filter;   // "description|pattern|..." pairs
};

class Form1 : public QMainWindow, public FindSettings {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    TextArea* Text1 = nullptr;
    CommonDialog CommonDialog1;

    // Message boxes and file dialogs go through this; tests put a scripted one in.
    void setPrompter(Prompter* prompter);
    Prompter& prompter() const { return *prompter_; }

    // Loads a file into the editor; on failure tells the user and changes nothing.
    bool Sum(const QString& path);
    // Searches with WFindText, FindUL and FindMode from the current selection.
    void FindText();

    // The document is in the file state once a load or Save As gave it a path.
    bool hasFile() const { return hasFile_; }

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

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    bool writeDocument(const QString& path);
    void showError(const QString& what, const QString& path, const QString& reason);
    void transformText(QString (*transform)(const QString&));

    Prompter* prompter_;
    bool hasFile_ = false;
    bool centred_ = false;
    QPointer<Form3> form3_;
    QPointer<Form2> form2_;
};

// The product's title line (the caption before any file) and the application title
// (message boxes without a title of their own, the settings store).
inline const char16_t kTitleLine[] = u"SubBig5 字幕編輯器";
inline const char16_t kAppTitle[] = u"SubBig5";

// The command line as one path: arguments joined by single spaces, every '"' removed.
QString commandLinePath(const QStringList& arguments);

// "純文字檔|*.txt|所有檔案|*.*" in the form Qt's file dialogs take.
QString qtFileFilter(const QString& pairs);
