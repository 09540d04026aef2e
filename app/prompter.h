// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one seam through which the main window talks to the user outside its own
// window: message boxes and the system's file dialogs. Tests answer it with a script.

#include <QFileDialog>
#include <QString>

class QWidget;

class Prompter {
public:
    enum class Icon { Information, Warning, Critical };
    enum class SaveChoice { Save, Discard, Cancel };

    virtual ~Prompter() = default;

    // Yes/No question with the question-mark icon; true for Yes.
    virtual bool askYesNo(QWidget* owner, const QString& title, const QString& text) = 0;
    // Whether to save changed text before it is replaced: 儲存 / 不儲存 / 取消 (Esc).
    virtual SaveChoice askSave(QWidget* owner, const QString& title, const QString& text) = 0;
    // A message with one OK button.
    virtual void tell(QWidget* owner, const QString& title, const QString& text, Icon icon) = 0;

    // The system's file dialogs. `filter` is in Qt's form ("描述 (*.txt);;..."). An empty
    // result means the user cancelled.
    virtual QString openFileName(QWidget* owner, const QString& dir, const QString& filter) = 0;
    virtual QString saveFileName(QWidget* owner, const QString& dir, const QString& filter) = 0;
};

// The options the real file dialogs are shown with.
QFileDialog::Options fileDialogOptions(QFileDialog::AcceptMode mode);

// Real message boxes and file dialogs.
class QtPrompter : public Prompter {
public:
    bool askYesNo(QWidget* owner, const QString& title, const QString& text) override;
    SaveChoice askSave(QWidget* owner, const QString& title, const QString& text) override;
    void tell(QWidget* owner, const QString& title, const QString& text, Icon icon) override;
    QString openFileName(QWidget* owner, const QString& dir, const QString& filter) override;
    QString saveFileName(QWidget* owner, const QString& dir, const QString& filter) override;
};
