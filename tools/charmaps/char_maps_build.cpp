// SPDX-License-Identifier: GPL-3.0-or-later
#include "char_maps_build.h"

#include "convert/codepage.h"
#include "convert/gbk_table.h"
#include "convert/tables.h"

#include <unicode/ucnv.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace charmaps {
namespace {

// Calls visit(lead, trail, character) for each double-byte code of the named ICU converter
// in the given rows that reads as one BMP character outside the Private Use Area.
template <class Visit>
void readCodes(const char* converter, unsigned firstLead, unsigned lastLead, Visit visit)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(converter, &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("ICU has no converter for ") + converter);
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    for (unsigned lead = firstLead; lead <= lastLead; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            const char in[2] = {char(lead), char(trail)};
            UChar out[4];
            UErrorCode e = U_ZERO_ERROR;
            ucnv_resetToUnicode(cnv);
            const int n = ucnv_toUChars(cnv, out, 4, in, 2, &e);
            if (U_SUCCESS(e) && n == 1 && !(out[0] >= 0xE000 && out[0] <= 0xF8FF))
                visit(lead, trail, char16_t(out[0]));
        }
    }
    ucnv_close(cnv);
}

// GB2312 proper: rows 0xA1..0xA9 and 0xB0..0xF7, trail bytes 0xA1..0xFE.
bool isGb2312Code(unsigned lead, unsigned trail)
{
    return trail >= 0xA1 && ((lead >= 0xA1 && lead <= 0xA9) || (lead >= 0xB0 && lead <= 0xF7));
}

char16_t big5Character(std::uint8_t lead, std::uint8_t trail)
{
    const char bytes[2] = {char(lead), char(trail)};
    const QString c = cp950::decode(QByteArrayView(bytes, 2));
    return c.size() == 1 ? c.at(0).unicode() : 0;
}

} // namespace

std::unique_ptr<CharMap> buildGbToBig()
{
    auto map = std::make_unique<CharMap>();
    map->fill(0);
    // GBK first, so that GB2312's own cells win for the characters both hold.
    readCodes("windows-936-2000", 0x81, 0xFE, [&](unsigned lead, unsigned trail, char16_t c) {
        if (isGb2312Code(lead, trail))
            return;
        const modBig2GB::Cell cell = modBig2GB::gbkCell(lead, trail);
        if (cell.first != 0)
            (*map)[c] = big5Character(cell.first, cell.second);
    });
    // A few GB2312 symbols read differently in different converters (A1A4 is U+30FB in GB2312
    // tables, U+00B7 in GBK and GB18030 ones); a text may hold either, so both convert. The
    // GB2312 reading goes last and wins where the readings collide.
    for (const char* converter : {"gb18030", "windows-936-2000", "GB2312"}) {
        readCodes(converter, 0xA1, 0xF7, [&](unsigned lead, unsigned trail, char16_t c) {
            if (!isGb2312Code(lead, trail))
                return;
            const modBig2GB::Cell cell = modBig2GB::gbCell(modBig2GB::gbRowKey(lead), trail);
            (*map)[c] = big5Character(cell.first, cell.second);
        });
    }
    return map;
}

std::unique_ptr<CharMap> buildBigToGB()
{
    // GB2312 code -> character, for reading the cells.
    auto gbChar = std::make_unique<std::array<char16_t, 65536>>();
    gbChar->fill(0);
    readCodes("GB2312", 0xA1, 0xF7, [&](unsigned lead, unsigned trail, char16_t c) {
        if (isGb2312Code(lead, trail))
            (*gbChar)[lead << 8 | trail] = c;
    });
    auto map = std::make_unique<CharMap>();
    map->fill(0);
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const QChar ch{char16_t(c)};
        std::vector<cp950::Unencodable> misses;
        const QByteArray code = cp950::encode(QStringView(&ch, 1), &misses);
        if (!misses.empty() || code.size() != 2 || std::uint8_t(code[0]) < modBig2GB::kBigFirstLead)
            continue;
        const modBig2GB::Cell cell = modBig2GB::bigCell(std::uint8_t(code[0]), std::uint8_t(code[1]));
        (*map)[c] = (*gbChar)[cell.first << 8 | cell.second];
    }
    return map;
}

} // namespace charmaps
