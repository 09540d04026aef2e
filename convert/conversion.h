// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Big5 <-> GB2312 conversion of the whole editor text, code by code through BigStr and GBStr.
// The text goes through code page 950 both ways, so GB2312 bytes read "as Big5" come back as
// the same bytes, get converted, and are decoded again.

#include <QByteArray>
#include <QString>

namespace modBig2GB {

QString BigToGB(const QString& text);   // Big5 -> GB2312 (繁轉簡)
QString GBToBig(const QString& text);   // GB2312 -> Big5 (簡轉繁)

// The byte scans alone, in place; the output is exactly as long as the input. A pair that
// passes the pair test but falls outside the table (first or second byte 0xFF) is kept as is.
void bigToGBBytes(QByteArray& bytes);
void gbToBigBytes(QByteArray& bytes);

} // namespace modBig2GB
