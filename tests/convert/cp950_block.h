// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checked-in reading of code page 950's C6A1..C7FC block (cp950_block.txt, written by
// tools/gentables/cp950_block.py from Python's cp950 and gb2312 codecs): an outside source
// the codec's own table and the conversion tables are compared with.

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace testblock {

struct Cell {
    unsigned big5;
    char32_t character;
    unsigned gb2312;   // 0 when GB2312 lacks the character
};

inline std::vector<Cell> cp950Block()
{
    QFile file(QStringLiteral(SUBBIG5_CP950_BLOCK_LIST));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " SUBBIG5_CP950_BLOCK_LIST);
    std::vector<Cell> cells;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u'#'))
            continue;
        const QStringList f = line.split(u' ', Qt::SkipEmptyParts);   // C6A5 U+3041 A4A1 ぁ
        cells.push_back({f[0].toUInt(nullptr, 16), char32_t(f[1].mid(2).toUInt(nullptr, 16)),
                         f[2] == u"----" ? 0u : f[2].toUInt(nullptr, 16)});
    }
    return cells;
}

} // namespace testblock
