// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small helpers shared by the tests.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <ostream>

namespace testutil {

// Writes bytes to `name` inside `dir` and returns the full path.
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// "a\r\nb" style literals are awkward for CJK; this builds UTF-16 text from UTF-8.
inline QString u8(const char* s) { return QString::fromUtf8(s); }

} // namespace testutil

// Readable failure messages for Qt's strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << b.toHex(' ').toStdString(); }
