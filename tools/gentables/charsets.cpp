// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/gentables/charsets.h"

#include "convert/codepage.h"

#include <unicode/ucnv.h>

#include <stdexcept>
#include <string>

namespace gentables {
namespace {

bool isPrivateUse(char32_t c) { return c >= 0xE000 && c <= 0xF8FF; }

// Decodes every double-byte code of `rows` with the named ICU converter, stopping at errors.
template <class Visit>
void readDoubleByteCodes(const char* converter, std::uint8_t firstLead, std::uint8_t lastLead,
                         std::uint8_t firstTrail, std::uint8_t lastTrail, Visit visit)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(converter, &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("ICU has no converter ") + converter);
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    for (unsigned lead = firstLead; lead <= lastLead; ++lead) {
        for (unsigned trail = firstTrail; trail <= lastTrail; ++trail) {
            const char in[2] = {char(lead), char(trail)};
            UChar out[4];
            UErrorCode e = U_ZERO_ERROR;
            ucnv_resetToUnicode(cnv);
            const int n = ucnv_toUChars(cnv, out, 4, in, 2, &e);
            const char32_t c = (U_SUCCESS(e) && n == 1) ? out[0] : 0;
            visit(std::uint16_t(lead << 8 | trail), c);
        }
    }
    ucnv_close(cnv);
}

} // namespace

Gb2312::Gb2312()
    : codes_(65536, 0)
{
    readDoubleByteCodes("GB2312", 0xA1, 0xF7, 0xA1, 0xFE, [this](std::uint16_t code, char32_t c) {
        const unsigned lead = code >> 8;
        if (c == 0 || isPrivateUse(c) || (lead >= 0xAA && lead <= 0xAF))
            return;
        if (codes_[c] != 0)
            throw std::runtime_error("GB2312 reading holds a character twice");
        chars_[code] = c;
        codes_[c] = code;
        ++count_;
    });
    if (count_ != kCharacterCount)
        throw std::runtime_error("ICU's GB2312 gives " + std::to_string(count_)
                                 + " characters, not 7445");
}

std::uint16_t Gb2312::codeOf(char32_t c) const
{
    return c < codes_.size() ? codes_[c] : 0;
}

std::vector<char32_t> gbkReading()
{
    std::vector<char32_t> chars(65536, 0);
    readDoubleByteCodes("windows-936-2000", 0x81, 0xFE, 0x40, 0xFE, [&](std::uint16_t code, char32_t c) {
        chars[code] = isPrivateUse(c) ? 0 : c;
    });
    return chars;
}

std::vector<VerticalForm> gbkVerticalForms()
{
    std::vector<VerticalForm> forms;
    readDoubleByteCodes("windows-936-2000", 0xA6, 0xA6, 0xE0, 0xF5, [&](std::uint16_t code, char32_t c) {
        forms.push_back({code, isPrivateUse(c) ? 0 : c});
    });
    return forms;
}

std::uint16_t big5CodeOf(char32_t c)
{
    if (c < 0x80 || c > 0xFFFF)
        return 0;
    const QString text{QChar(char16_t(c))};
    if (!cp950::canEncode(text))
        return 0;
    const QByteArray bytes = cp950::encode(text);
    if (bytes.size() != 2)
        return 0;
    return std::uint16_t(std::uint8_t(bytes[0]) << 8 | std::uint8_t(bytes[1]));
}

} // namespace gentables
