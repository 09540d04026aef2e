// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The third table: GBK characters outside GB2312 (镕, 喆, 堃 ...) to Big5, for 簡轉繁 on
// characters. Built by the table generator with the GBStr rules (the same character where
// Big5 has it, else its traditional counterpart) into convert/resources/103.bin, which the
// character maps are built from (tools/charmaps): GBK lead
// 0x81..0xFE x trail 0x40..0xFE, two bytes a cell, lead byte first; 00 00 where the
// character stays as it is (GB2312 codes, no counterpart, user-defined codes).

#include "convert/tables.h"

namespace modBig2GB {

inline constexpr unsigned kGbkFirstLead = 0x81, kGbkLastLead = 0xFE;
inline constexpr unsigned kGbkFirstTrail = 0x40, kGbkLastTrail = 0xFE;
inline constexpr qsizetype kGbkTableBytes =
    qsizetype(kGbkLastLead - kGbkFirstLead + 1) * (kGbkLastTrail - kGbkFirstTrail + 1) * 2;

// Loads the table once; false with a user-facing *error when the file is missing or short.
bool loadGbkTableFrom(const QString& path, QString* error);
// The cell of a GBK code; only meaningful after a successful load.
Cell gbkCell(unsigned lead, unsigned trail);

} // namespace modBig2GB
