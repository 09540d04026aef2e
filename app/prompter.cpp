// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/prompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

bool QtPrompter::askYesNo(QWidget* owner, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

Prompter::SaveChoice QtPrompter::askSave(QWidget* owner, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, owner);
    QPushButton* save = box.addButton(QStringLiteral("儲存"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("不儲存"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == save      ? SaveChoice::Save
           : box.clickedButton() == discard ? SaveChoice::Discard
                                            : SaveChoice::Cancel;
}

void QtPrompter::tell(QWidget* owner, const QString& title, const QString& text, Icon icon)
{
    const auto qtIcon = icon == Icon::Information ? QMessageBox::Information
                        : icon == Icon::Warning   ? QMessageBox::Warning
                                                  : QMessageBox::Critical;
    QMessageBox box(qtIcon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

QFileDialog::Options fileDialogOptions(QFileDialog::AcceptMode mode)
{
    // Each file type shows as its description alone, exactly as the filter names it; the save
    // dialog leaves the overwrite question to the program, which words it its own way.
    QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
    if (mode == QFileDialog::AcceptSave)
        options |= QFileDialog::DontConfirmOverwrite;
    return options;
}

QString QtPrompter::openFileName(QWidget* owner, const QString& dir, const QString& filter)
{
    return QFileDialog::getOpenFileName(owner, QString(), dir, filter, nullptr,
                                        fileDialogOptions(QFileDialog::AcceptOpen));
}

QString QtPrompter::saveFileName(QWidget* owner, const QString& dir, const QString& filter)
{
    return QFileDialog::getSaveFileName(owner, QString(), dir, filter, nullptr,
                                        fileDialogOptions(QFileDialog::AcceptSave));
}
