// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/folder_browser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

FolderBrowser::FolderBrowser(const QString& instruction, QWidget* parent)
    : QDialog(parent)
    , model_(new QFileSystemModel(this))
    , tree_(new QTreeView(this))
{
    setWindowTitle(QString::fromUtf16(u"瀏覽資料夾"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(instruction, this);
    label->setWordWrap(true);
    layout->addWidget(label);

    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setRootPath(QString());
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    // The user's own folder stands where the desktop would: open and selected.
    const QModelIndex home = model_->index(QDir::homePath());
    tree_->setCurrentIndex(home);
    tree_->expand(home);
    tree_->scrollTo(home);
    layout->addWidget(tree_, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf16(u"確定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf16(u"取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(360, 420);
}

QString FolderBrowser::folder() const
{
    const QModelIndex current = tree_->currentIndex();
    return current.isValid() ? model_->filePath(current) : QString();
}
