// SPDX-License-Identifier: GPL-3.0-or-later
#include "find/replace_dialog.h"

#include "document/editor_text.h"
#include "find/dialog_layout.h"
#include "find/replace.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Form2::Form2(document::EditorText& editor, QWidget* owner) : QDialog(owner), editor_(editor)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("取代"));
    setUpFixedDialog(this, 6825, 1170);
    createControls();
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    Command1->setFocus();
}

void Form2::createControls()
{
    makeControl<QLabel>(this, "Label1_0", QStringLiteral("尋找目標："));
    Text1 = makeControl<QLineEdit>(this, "Text1");
    makeControl<QLabel>(this, "Label1_1", QStringLiteral("取代為："));
    Text2 = makeControl<QLineEdit>(this, "Text2");
    Command1 = makeControl<QPushButton>(this, "Command1", QStringLiteral("全部取代"));
    Command2 = makeControl<QPushButton>(this, "Command2", QStringLiteral("取消"));

    placeControls(this, {
        // control      left   top  width height  (twips)
        {"Label1_0",     120,  120,   975,  255},
        {"Text1",       1080,  120,  3375,  270},
        {"Label1_1",     240,  600,   735,  255},
        {"Text2",       1080,  600,  3375,  270},
        {"Command1",    4560,  120,  2055,  375},
        {"Command2",    4560,  600,  2055,  375},
    });

    // Tab order: 全部取代, the find-what box, the replace-with box, 取消.
    QWidget::setTabOrder(Command1, Text1);
    QWidget::setTabOrder(Text1, Text2);
    QWidget::setTabOrder(Text2, Command2);
    removeDefaultButtons(this);
}

void Form2::Command1_Click()
{
    const QString find = Text1->text();
    const QString with = Text2->text();
    const auto replace = [&](const QString& text) { return find::replaceOccurrences(text, find, with); };
    if (runner_)
        runner_(replace);
    else
        editor_.assignText(replace(editor_.text()));
}

void Form2::Command2_Click()
{
    close();
}

void Form2::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        event->accept(); // Esc does not close this dialog
        return;
    }
    if (!pressFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}
