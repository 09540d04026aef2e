// SPDX-License-Identifier: GPL-3.0-or-later
#include "find/dialog_layout.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

void setUpFixedDialog(QDialog* dialog, int clientWidth, int clientHeight)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                           | Qt::WindowCloseButtonHint);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(false);
    dialog->setSizeGripEnabled(false);
    dialog->setFixedSize(clientWidth / kTwipsPerPixel, clientHeight / kTwipsPerPixel);
    QFont font = dialog->font();
    font.setPixelSize(12);
    dialog->setFont(font);
}

void placeControls(QWidget* root, std::initializer_list<TwipsPlace> places)
{
    for (const TwipsPlace& p : places) {
        QWidget* w = root->findChild<QWidget*>(QString::fromLatin1(p.name));
        Q_ASSERT_X(w, "placeControls", p.name);
        if (w)
            w->setGeometry(twipsRect(p.left, p.top, p.width, p.height));
    }
}

void removeDefaultButtons(QDialog* dialog)
{
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
}

bool pressFocusedButton(QDialog* dialog, QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    if (auto* button = qobject_cast<QPushButton*>(dialog->focusWidget()); button && button->isEnabled())
        button->click();
    event->accept();
    return true;
}
