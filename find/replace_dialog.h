// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Replace dialog (caption 取代): modeless, owned by the main window, unloaded when
// closed. 全部取代 replaces every occurrence in the whole editor text as one undoable step
// and puts the caret at the start. Esc does nothing; Enter presses only a focused button.
//
// Object names are the control names; the labels are "Label1_0" and "Label1_1".
#include <QDialog>

#include <functional>

namespace document {
class EditorText;
}
class QLabel;
class QLineEdit;
class QPushButton;

class Form2 : public QDialog {
    Q_OBJECT
public:
    Form2(document::EditorText& editor, QWidget* owner);

    // How a whole-text command runs: the owner's runner keeps one undo step, shows the wait
    // cursor and reports running out of memory. Without one the text is assigned directly.
    using CommandRunner = std::function<void(const std::function<QString(const QString&)>&)>;
    void setCommandRunner(CommandRunner runner) { runner_ = std::move(runner); }

    void Command1_Click();
    void Command2_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();

    document::EditorText& editor_;
    CommandRunner runner_;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};
