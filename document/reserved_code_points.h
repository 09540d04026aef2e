// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reserved code points that keep bytes a text encoding cannot read (see encoding.h):
// U+10FF00 + byte for a raw byte, U+10F000 + (unit - 0xD800) for a lone UTF-16 unit.

#include <QString>

namespace document::reserved {

constexpr char32_t kRawByteBase = 0x10FF00;
constexpr char32_t kLoneUnitBase = 0x10F000;   // up to U+10F7FF

inline bool isReserved(char32_t c) { return c >= kLoneUnitBase && (c <= kLoneUnitBase + 0x7FF || c >= kRawByteBase); }

inline void appendCodePoint(QString& out, char32_t c)
{
    if (c < 0x10000) {
        out.append(QChar(char16_t(c)));
    } else {
        const char16_t pair[2] = {char16_t(0xD800 + ((c - 0x10000) >> 10)), char16_t(0xDC00 + ((c - 0x10000) & 0x3FF))};
        out.append(QStringView(pair, 2));
    }
}

} // namespace document::reserved
