// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moving a file to the user's trash as the freedesktop.org trash rules say: the home trash
// ($XDG_DATA_HOME/Trash, made with its folders where missing) for a file on the same file
// system, else the trash at the top of the file's own file system ($topdir/.Trash/$uid or
// $topdir/.Trash-$uid). Nothing is ever written anywhere else.

#include <QByteArray>
#include <QString>

namespace document {

struct TrashResult {
    bool ok = false;
    QString reason;   // when not ok: why there is no trash for this file
};

// `native` names a regular file (the name's own bytes).
TrashResult moveToTrash(const QByteArray& native);

} // namespace document
