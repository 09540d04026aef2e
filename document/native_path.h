// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File names as the system holds them (bytes) and as the program shows them (text). A name
// that is not valid UTF-8 keeps its stray bytes as reserved code points (the scheme the
// encodings use), so it still names the same file when it goes back to bytes; Qt's own
// conversion would turn such bytes into U+FFFD and lose the file.

#include <QByteArray>
#include <QString>

namespace document {

QString pathFromNative(QByteArrayView native);
QByteArray nativePath(const QString& path);
// A name as messages and captions show it: each byte that is not UTF-8 as \xNN, so the user
// sees what is there rather than a private-use character. A valid name is shown as it is.
QString displayPath(const QString& path);

} // namespace document
