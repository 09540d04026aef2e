// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Builds the two table blobs from the content rules and counts the cells each rule fills.

#include <QByteArray>

#include <string>
#include <utility>
#include <vector>

namespace gentables {

class Gb2312;
class CharacterDictionary;

// How many cells each rule filled, in the order the rules are tried.
using Tally = std::vector<std::pair<std::string, int>>;

struct BuiltTables {
    QByteArray bigStr;   // resource 101: Big5 lead 0xA1..0xFE x trail 0x40..0xFE
    QByteArray gbStr;    // resource 102: GB2312 lead 0xA1..0xA9, 0xB0..0xFE x trail 0xA1..0xFE
    Tally bigTally;
    Tally gbTally;
};

// toSimplified: TSCharacters; toTraditional: STCharacters. Throws std::runtime_error when an
// override names a character that the target character set lacks.
BuiltTables buildTables(const Gb2312& gb2312, const CharacterDictionary& toSimplified,
                        const CharacterDictionary& toTraditional);

} // namespace gentables
