// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/gentables/gbk_table.h"

#include "tools/gentables/charsets.h"
#include "tools/gentables/counterparts.h"

#include <algorithm>

namespace gentables {
namespace {

void count(Tally& tally, const char* rule)
{
    auto it = std::find_if(tally.begin(), tally.end(), [&](const auto& r) { return r.first == rule; });
    if (it == tally.end())
        tally.emplace_back(rule, 1);
    else
        ++it->second;
}

} // namespace

QByteArray buildGbkTable(const Gb2312& gb2312, const CharacterDictionary& toTraditional, Tally& tally)
{
    for (const char* rule : {"GB2312 code: in the GB2312 to Big5 table", "same character", "dictionary counterpart",
                             "left as it is", "not a character"})
        tally.emplace_back(rule, 0);
    const std::vector<char32_t> gbk = gbkReading();
    QByteArray blob;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            std::uint16_t cell = 0;
            const char32_t c = trail == 0x7F ? 0 : gbk[lead << 8 | trail];
            if (gb2312.at(std::uint16_t(lead << 8 | trail)) != 0) {
                count(tally, "GB2312 code: in the GB2312 to Big5 table");
            } else if (c == 0) {
                count(tally, "not a character");
            } else if (std::uint16_t same = big5CodeOf(c)) {
                count(tally, "same character");
                cell = same;
            } else if (const char32_t t = toTraditional.counterpart(c); t != c && big5CodeOf(t)) {
                count(tally, "dictionary counterpart");
                cell = big5CodeOf(t);
            } else {
                count(tally, "left as it is");
            }
            blob.append(char(cell >> 8));
            blob.append(char(cell & 0xFF));
        }
    }
    return blob;
}

} // namespace gentables
