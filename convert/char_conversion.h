// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// 簡轉繁 and 繁轉簡 on characters, for text that is not held as Big5 bytes (a UTF-8, UTF-16
// or GB18030 document). The same two tables decide:
//  - GB -> Big5: a character that GB2312 holds goes to the character of the Big5 code in its
//    GBStr cell, so the text converts exactly as its GB2312 bytes would on the byte road;
//    a character outside GB2312 that GBK holds (镕, 喆 ...) goes through the GBK table
//    (the same character where Big5 has it, else its traditional counterpart);
//  - Big5 -> GB: a character that code page 950 holds goes to the GB2312 character of its
//    BigStr cell.
// Every other character (ASCII, line ends, characters beyond the tables) stays as it is.

#include "convert/findings.h"

#include <QString>
#include <QStringView>

namespace modBig2GB {

// The maps are part of the program (written at build time); no table needs loading first.
QString gbToBigText(QStringView text, GbFindings* findings = nullptr);
// The same on the text's own buffer (a large text needs no second copy).
void gbToBigInPlace(QString& text, GbFindings* findings = nullptr);
QString bigToGBText(QStringView text);

// 簡轉繁 on the UTF-8 bytes of a plain subtitle text, decoded and converted in one pass: for
// well-formed UTF-8 that holds no noncharacter, nothing from U+F0000 on and nothing that may
// start markup ('<', or '{' before '\\'), `text` becomes what Qt's decoding and then
// gbToBigInPlace give, and true comes back. Any other bytes give false, `text` and `findings`
// untouched: the caller takes the usual road (which reads such bytes, or markup, its own way).
bool gbToBigFromUtf8(QByteArrayView bytes, QString& text, GbFindings* findings);

} // namespace modBig2GB
