#pragma once
// The Replace dialog (caption 取代): modeless, owned by the main window, unloaded when
// closed. 全部取代 replaces every occurrence in the whole editor text as one undoable step
// and puts the caret at the start. Esc does nothing; Enter presses only a focused button.
//
// Object names are the control names; the labels are "Label1_0" and "Label1_1".
#include <QDialog>

class EditorText;
class QLabel;
class QLineEdit;
class QPushButton;

class Form2 : public QDialog {
    Q_OBJECT
public:
    Form2(EditorText& editor, QWidget* owner);

    void Command1_Click();
    void Command2_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();

    EditorText& editor_;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};
