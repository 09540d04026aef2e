// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder browser: an instruction line over a tree of the file system's
// folders, with OK and Cancel.
#include <QDialog>

class QFileSystemModel;
class QTreeView;

class FolderBrowser : public QDialog {
    Q_OBJECT
public:
    FolderBrowser(const QString& instruction, QWidget* parent = nullptr);

    // The selected folder, or a null text when none is selected.
    QString folder() const;

private:
    QFileSystemModel* model_;
    QTreeView* tree_;
};
