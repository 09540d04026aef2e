// SPDX-License-Identifier: GPL-3.0-or-later
#include "find/find_dialog.h"

#include "find/dialog_layout.h"
#include "find/settings_store.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cstdlib>

Form3::Form3(find::FindSettings& settings, std::function<void()> findText, QWidget* owner)
    : QDialog(owner), settings_(settings), findText_(std::move(findText))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("尋找"));
    setUpFixedDialog(this, 6165, 1395);
    createControls();
    connectControls();

    // A fresh dialog starts on 全部: the first control in the tab order takes the focus,
    // and an option that gains the focus is selected as if clicked.
    optDirection[2]->click();
    optDirection[2]->setFocus();
}

void Form3::createControls()
{
    lblS = makeControl<QLabel>(this, "lblS", QStringLiteral("尋找目標："));
    txtFind = makeControl<QLineEdit>(this, "txtFind");
    cmdFind = makeControl<QPushButton>(this, "cmdFind", QStringLiteral("找下一個(&F)"));
    cmdCancel = makeControl<QPushButton>(this, "cmdCancel", QStringLiteral("取消"));
    chkUL = makeControl<QCheckBox>(this, "chkUL", QStringLiteral("大小寫視為相異(&C)"));
    frmDirection = makeControl<QGroupBox>(this, "frmDirection", QStringLiteral("搜尋方向"));
    optDirection[0] = makeControl<QRadioButton>(frmDirection, "optDirection0", QStringLiteral("向上"));
    optDirection[1] = makeControl<QRadioButton>(frmDirection, "optDirection1", QStringLiteral("向下"));
    optDirection[2] = makeControl<QRadioButton>(frmDirection, "optDirection2", QStringLiteral("全部"));

    placeControls(this, {
        // control         left   top  width height  (twips; options relative to the frame)
        {"lblS",            120,  195,   975,  255},
        {"txtFind",        1200,  135,  3375,  270},
        {"cmdFind",        4680,  120,  1335,  375},
        {"cmdCancel",      4680,  555,  1335,  375},
        {"chkUL",           120,  675,  1815,  375},
        {"frmDirection",   2040,  435,  2415,  855},
        {"optDirection0",   120,  240,   735,  495},
        {"optDirection1",   840,  240,   735,  495},
        {"optDirection2",  1560,  240,   735,  495},
    });

    // Tab order: 全部, 向下, 向上, the check box, 取消, the find button, the find-what box.
    QWidget::setTabOrder(optDirection[2], optDirection[1]);
    QWidget::setTabOrder(optDirection[1], optDirection[0]);
    QWidget::setTabOrder(optDirection[0], chkUL);
    QWidget::setTabOrder(chkUL, cmdCancel);
    QWidget::setTabOrder(cmdCancel, cmdFind);
    QWidget::setTabOrder(cmdFind, txtFind);
    removeDefaultButtons(this);
}

void Form3::connectControls()
{
    connect(txtFind, &QLineEdit::textChanged, this, &Form3::txtFind_Change);
    connect(cmdFind, &QPushButton::clicked, this, &Form3::cmdFind_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &Form3::cmdCancel_Click);
    for (int i = 0; i < int(optDirection.size()); ++i) {
        connect(optDirection[i], &QRadioButton::clicked, this, [this, i] { optDirection_Click(i); });
        optDirection[i]->installEventFilter(this);
    }
    txtFind->installEventFilter(this);
}

void Form3::txtFind_Change()
{
    cmdFind->setEnabled(!txtFind->text().isEmpty());
}

void Form3::txtFind_GotFocus()
{
    txtFind->selectAll();
}

void Form3::optDirection_Click(int Index)
{
    settings_.FindMode = qint16(Index);
}

void Form3::cmdFind_Click()
{
    const int value = chkUL->isChecked() ? 1 : 0;
    settings_.FindUL = qint16(std::abs(value - 1));
    settings_.WFindText = txtFind->text();
    if (findText_)
        findText_();
}

void Form3::cmdCancel_Click()
{
    close();
}

void Form3::Form_QueryUnload()
{
    // Not QSettings: it writes through a symbolic link, reads a file of any size whole
    // before writing, and with no HOME writes to /.config at the root (see SettingsStore).
    SettingsStore::forUser(QString::fromLatin1(kSettingsApplication))
        .write(QStringLiteral("Find"), {{QStringLiteral("Left"), QString::number(x() * kTwipsPerPixel)},
                                        {QStringLiteral("Top"), QString::number(y() * kTwipsPerPixel)}});
}

void Form3::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        cmdCancel->click();
        return;
    }
    if (!pressFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

void Form3::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    event->accept();
}

void Form3::reject()
{
    close();
}

bool Form3::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (watched == txtFind) {
            txtFind_GotFocus();
            // A mouse press places the caret after the focus arrives; select again after it.
            if (reason == Qt::MouseFocusReason)
                QTimer::singleShot(0, txtFind, [this] { txtFind_GotFocus(); });
        } else if (auto* option = qobject_cast<QRadioButton*>(watched); option && !option->isChecked()) {
            option->click();
        }
    }
    return QDialog::eventFilter(watched, event);
}
