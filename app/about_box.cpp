// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_box.h"

#include "app/form1.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

// A contact line only when the build names one (cmake -DSUBBIG5_CONTACT=...): the project has
// no address of its own, and none is made up.
#ifndef SUBBIG5_CONTACT
#define SUBBIG5_CONTACT ""
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
    auto* versionLabel = new QLabel(QStringLiteral("版本 ") + kAppVersion, this);
    versionLabel->setObjectName("version");
    versionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* licenceLabel = new QLabel(QStringLiteral("自由軟體，依 GNU 通用公共授權條款第 3 版或更新版本\n"
                                                   "（GPL-3.0-or-later）發布，不提供任何擔保。"),
                                    this);
    licenceLabel->setObjectName("licence");

    auto* texts = new QVBoxLayout;
    texts->addWidget(titleLabel);
    texts->addWidget(versionLabel);
    texts->addWidget(licenceLabel);
    if (const QString contact = QStringLiteral(SUBBIG5_CONTACT); !contact.isEmpty()) {
        auto* contactLabel = new QLabel(contact, this);
        contactLabel->setObjectName("contact");
        contactLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        texts->addWidget(contactLabel);
    }
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
