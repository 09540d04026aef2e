// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The GBK table (resource 103): GBK characters outside GB2312 to Big5 codes, by the rules of
// the GB2312 to Big5 table. Cells stay 00 00 where the character is left as it is.

#include "tools/gentables/table_builder.h"

namespace gentables {

class Gb2312;
class CharacterDictionary;

QByteArray buildGbkTable(const Gb2312& gb2312, const CharacterDictionary& toTraditional, Tally& tally);

} // namespace gentables
