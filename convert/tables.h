// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two code conversion tables, filled once from the program's embedded resources
// "CUSTOM" 101 and 102 and read-only afterwards.

#include <QString>

#include <cstdint>

namespace modBig2GB {

// One table cell: the two bytes of a double-byte code, lead byte first.
struct Cell {
    std::uint8_t first;
    std::uint8_t second;
};

// BigStr: Big5 lead 0xA1..0xFF x trail 0x40..0xFE -> GB2312 code. Row 0xFF is never filled.
inline constexpr unsigned kBigFirstLead = 0xA1, kBigLastLead = 0xFF;
inline constexpr unsigned kBigFirstTrail = 0x40, kBigLastTrail = 0xFE;
// GBStr: row key 0xA7..0xFF x trail 0xA1..0xFE -> Big5 code. Key 0xFF is never filled.
inline constexpr unsigned kGBFirstKey = 0xA7, kGBLastKey = 0xFF;
inline constexpr unsigned kGBFirstTrail = 0xA1, kGBLastTrail = 0xFE;

extern Cell BigStr[kBigLastLead - kBigFirstLead + 1][kBigLastTrail - kBigFirstTrail + 1];
extern Cell GBStr[kGBLastKey - kGBFirstKey + 1][kGBLastTrail - kGBFirstTrail + 1];

// Resource sizes: 94 Big5 rows of 191 cells, 88 GB2312 rows of 94 cells, two bytes a cell.
inline constexpr qsizetype kBigStrBytes = 35908;
inline constexpr qsizetype kGBStrBytes = 16544;

// The GBStr row of a GB2312 lead byte: the symbol rows 0xA1..0xA9 sit under 0xA7..0xAF, so
// the empty rows 0xAA..0xAF read the rows of 0xB0..0xB5.
constexpr unsigned gbRowKey(unsigned lead) { return lead <= 0xAF ? lead + 6 : lead; }

inline const Cell& bigCell(unsigned lead, unsigned trail)
{
    return BigStr[lead - kBigFirstLead][trail - kBigFirstTrail];
}
inline const Cell& gbCell(unsigned key, unsigned trail)
{
    return GBStr[key - kGBFirstKey][trail - kGBFirstTrail];
}

// The one loader of the conversion tables the program reads at run time: BigStr and GBStr
// (resources 101 and 102), once. Throws std::runtime_error with a message for the user when
// one is missing or the wrong length: without them every conversion would silently do
// nothing. The editor and the converter call it at start-up. (The GBK table, 103, goes into
// the character maps at build time.)
void loadAllTables();

// Fills BigStr and GBStr from the embedded resources 101 and 102 exactly once.
// Returns false and sets *error (user-facing) when a resource is missing or its length is
// wrong; the tables are then left untouched.
bool LoadTables(QString* error);
bool tablesLoaded();

// The same from two files (":/CUSTOM/101" style resource paths or plain files). Both are
// read and checked before any cell is filled; once the tables are filled they stay as they are.
bool LoadTablesFrom(const QString& bigStrPath, const QString& gbStrPath, QString* error);

} // namespace modBig2GB
