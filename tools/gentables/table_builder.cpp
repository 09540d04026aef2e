// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/gentables/table_builder.h"

#include "convert/codepage.h"
#include "tools/gentables/charsets.h"
#include "tools/gentables/counterparts.h"
#include "tools/gentables/overrides.h"

#include <QString>

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

namespace gentables {
namespace {

constexpr std::uint16_t kGbSpace = 0xA1A1;    // GB2312 ideographic space
constexpr std::uint16_t kBig5Space = 0xA140;  // Big5 ideographic space

using CharMap = std::unordered_map<char32_t, char32_t>;

std::string show(char32_t c)
{
    return QString::fromUcs4(&c, 1).toStdString();
}

void count(Tally& tally, const std::string& rule)
{
    auto it = std::find_if(tally.begin(), tally.end(), [&](const auto& r) { return r.first == rule; });
    if (it == tally.end())
        tally.emplace_back(rule, 1);
    else
        ++it->second;
}

void append(QByteArray& blob, std::uint16_t code)
{
    blob.append(char(code >> 8));
    blob.append(char(code & 0xFF));
}

// Flattens override rows into a map; `applies` says whether a source character can reach
// the override at all, so a stale row is an error rather than dead data.
template <class Applies, class Encodes>
CharMap overrideMap(std::span<const CounterpartRow> rows, Applies applies, Encodes encodes)
{
    CharMap map;
    for (const CounterpartRow& row : rows) {
        if (row.to != 0 && !encodes(row.to))
            throw std::runtime_error("override target " + show(row.to) + " is not in the target set");
        for (char32_t from : row.from) {
            if (!applies(from))
                throw std::runtime_error("override for " + show(from) + " never applies");
            if (!map.emplace(from, row.to).second)
                throw std::runtime_error("override for " + show(from) + " given twice");
        }
    }
    return map;
}

// Code page 950 codes that are not characters: unassigned A3C0..A3FE (but A3E1), C7FD..C8FE
// and the user-defined rows 0xFA..0xFE. The codec reads the last two as Private Use characters
// (so they survive a save); C6A1..C7FC before them are the kana, Cyrillic and numbers block.
bool notBig5Character(unsigned lead, unsigned trail)
{
    const unsigned code = lead << 8 | trail;
    return cp950::decodePair(std::uint8_t(lead), std::uint8_t(trail)) == 0
           || (code >= 0xC7FD && code <= 0xC8FE) || lead >= 0xFA;
}

struct BigRules {
    const Gb2312& gb;
    const CharacterDictionary& dict;
    CharMap overrides;
    std::unordered_map<char32_t, std::uint16_t> vertical;   // character -> GBK code

    std::uint16_t cell(unsigned lead, unsigned trail, Tally& tally) const
    {
        if (trail >= 0x7F && trail <= 0xA0) {
            count(tally, "gap column, pair unchanged");
            return std::uint16_t(lead << 8 | trail);
        }
        if (notBig5Character(lead, trail)) {
            count(tally, "not a character: A1A1");
            return kGbSpace;
        }
        const char32_t c = cp950::decodePair(std::uint8_t(lead), std::uint8_t(trail));
        if (std::uint16_t same = gb.codeOf(c)) {
            count(tally, "same character");
            return same;
        }
        if (auto it = overrides.find(c); it != overrides.end()) {
            count(tally, it->second ? "override list" : "override list, no counterpart: A1A1");
            return it->second ? gb.codeOf(it->second) : kGbSpace;
        }
        if (auto it = vertical.find(c); it != vertical.end()) {
            count(tally, "vertical form: GBK A6E0..A6F5");
            return it->second;
        }
        const char32_t simplified = dict.counterpart(c);
        if (std::uint16_t code = gb.codeOf(simplified); code && simplified != c) {
            count(tally, "dictionary counterpart");
            return code;
        }
        count(tally, "no counterpart: A1A1");
        return kGbSpace;
    }
};

struct GbRules {
    const Gb2312& gb;
    const CharacterDictionary& dict;
    CharMap overrides;
    std::unordered_map<std::uint16_t, char32_t> vertical;   // GBK code -> character

    std::uint16_t character(char32_t c, Tally& tally) const
    {
        if (std::uint16_t same = big5CodeOf(c)) {
            count(tally, "same character");
            return same;
        }
        if (auto it = overrides.find(c); it != overrides.end()) {
            count(tally, it->second ? "override list" : "override list, no counterpart: A140");
            return it->second ? big5CodeOf(it->second) : kBig5Space;
        }
        const char32_t traditional = dict.counterpart(c);
        if (std::uint16_t code = big5CodeOf(traditional); code && traditional != c) {
            count(tally, "dictionary counterpart");
            return code;
        }
        count(tally, "no counterpart: A140");
        return kBig5Space;
    }

    // Rows 0xFA..0xFE are GB2312's user-defined area. They take the Big5 user-defined codes
    // FA40, FA41, ... in order, trail bytes 0x40..0x7E then 0xA1..0xFE. Row 0xFE is not named
    // by the content rules; continuing the run there (FC7E, FCA1..FCFD) keeps every
    // user-defined code user-defined and distinct instead of blanking a whole row.
    static std::uint16_t userDefined(unsigned lead, unsigned trail)
    {
        const unsigned k = (lead - 0xFA) * 94 + (trail - 0xA1);
        const unsigned r = k % 157;
        return std::uint16_t((0xFA + k / 157) << 8 | (r < 63 ? 0x40 + r : 0xA1 + (r - 63)));
    }

    std::uint16_t cell(unsigned lead, unsigned trail, Tally& tally) const
    {
        const std::uint16_t code = std::uint16_t(lead << 8 | trail);
        if (char32_t c = gb.at(code))
            return character(c, tally);
        if (auto it = vertical.find(code); it != vertical.end()) {
            const std::uint16_t big5 = it->second ? big5CodeOf(it->second) : 0;
            count(tally, big5 ? "vertical form" : "vertical block, unassigned: A140");
            return big5 ? big5 : kBig5Space;
        }
        if (lead >= 0xFA) {
            count(tally, lead == 0xFE ? "row 0xFE: user-defined run continued" : "user-defined rows 0xFA..0xFD");
            return userDefined(lead, trail);
        }
        count(tally, "not a character: A140");
        return kBig5Space;
    }
};

} // namespace

BuiltTables buildTables(const Gb2312& gb2312, const CharacterDictionary& toSimplified,
                        const CharacterDictionary& toTraditional)
{
    const std::vector<VerticalForm> verticalForms = gbkVerticalForms();

    BigRules big{gb2312, toSimplified, {}, {}};
    big.overrides = overrideMap(
        simplifiedOverrides(),
        [&](char32_t c) { return big5CodeOf(c) != 0 && gb2312.codeOf(c) == 0; },
        [&](char32_t c) { return gb2312.codeOf(c) != 0; });
    for (const VerticalForm& form : verticalForms) {
        if (form.character != 0 && big5CodeOf(form.character) != 0)
            big.vertical.emplace(form.character, form.gbkCode);
    }

    GbRules gb{gb2312, toTraditional, {}, {}};
    gb.overrides = overrideMap(
        traditionalOverrides(),
        [&](char32_t c) { return gb2312.codeOf(c) != 0 && big5CodeOf(c) == 0; },
        [&](char32_t c) { return big5CodeOf(c) != 0; });
    for (const VerticalForm& form : verticalForms)
        gb.vertical.emplace(form.gbkCode, form.character);

    BuiltTables out;
    for (const char* rule : {"gap column, pair unchanged", "not a character: A1A1",
                             "same character", "override list", "override list, no counterpart: A1A1",
                             "vertical form: GBK A6E0..A6F5", "dictionary counterpart", "no counterpart: A1A1"})
        out.bigTally.emplace_back(rule, 0);
    for (const char* rule : {"same character", "override list", "dictionary counterpart", "no counterpart: A140",
                             "vertical form", "vertical block, unassigned: A140", "user-defined rows 0xFA..0xFD",
                             "row 0xFE: user-defined run continued", "not a character: A140"})
        out.gbTally.emplace_back(rule, 0);
    for (unsigned lead = 0xA1; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
            append(out.bigStr, big.cell(lead, trail, out.bigTally));
    }
    for (unsigned lead = 0xA1; lead <= 0xFE; ++lead) {
        if (lead >= 0xAA && lead <= 0xAF)
            continue;   // empty in GB2312; the key rule sends them to rows 0xB0..0xB5
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail)
            append(out.gbStr, gb.cell(lead, trail, out.gbTally));
    }
    if (out.bigStr.contains('\0') || out.gbStr.contains('\0'))
        throw std::runtime_error("a table cell holds a zero byte");
    return out;
}

} // namespace gentables
