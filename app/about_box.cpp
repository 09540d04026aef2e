// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_box.h"

#include "app/form1.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#ifndef SUBBIG5_CONTACT
#define SUBBIG5_CONTACT "subbig5@example.org"
#endif

AboutBox::AboutBox(const QIcon& icon, QWidget* owner) : QDialog(owner)
{
    setObjectName("AboutBox");
    const QString title = kTitleLine;
    setWindowTitle(QStringLiteral("關於 ") + title);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);

    auto* iconLabel = new QLabel(this);
    iconLabel->setObjectName("icon");
    iconLabel->setPixmap(icon.pixmap(64, 64));
    iconLabel->setAlignment(Qt::AlignTop);

    auto* titleLabel = new QLabel(title, this);
    titleLabel->setObjectName("title");
    QFont bold = titleLabel->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    titleLabel->setFont(bold);
    auto* contactLabel = new QLabel(QStringLiteral(SUBBIG5_CONTACT), this);
    contactLabel->setObjectName("contact");
    contactLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* texts = new QVBoxLayout;
    texts->addWidget(titleLabel);
    texts->addWidget(contactLabel);
    texts->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(iconLabel);
    row->addSpacing(12);
    row->addLayout(texts);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
