// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About box: a modal box owned by the main window with the product's title line, its
// version, the licence, a contact line when the build names one, and the window's icon.

#include <QDialog>
#include <QIcon>

class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const QIcon& icon, QWidget* owner);
};
