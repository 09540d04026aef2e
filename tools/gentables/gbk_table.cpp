#include "tools/gentables/gbk_table.h"

#include "tools/gentables/charsets.h"
#include "tools/gentables/counterparts.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <stdexcept>

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

// GBK as Windows reads it (code page 936); 0 for a code that is no character or a
// user-defined one.
class Gbk {
public:
    Gbk()
    {
        UErrorCode status = U_ZERO_ERROR;
        cnv_ = ucnv_open("windows-936-2000", &status);
        if (U_FAILURE(status))
            throw std::runtime_error("ICU has no windows-936-2000 converter");
        ucnv_setToUCallBack(cnv_, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    }
    ~Gbk() { ucnv_close(cnv_); }
    Gbk(const Gbk&) = delete;
    Gbk& operator=(const Gbk&) = delete;

    char32_t at(unsigned lead, unsigned trail) const
    {
        const char in[2] = {char(lead), char(trail)};
        UChar out[4];
        UErrorCode e = U_ZERO_ERROR;
        ucnv_resetToUnicode(cnv_);
        const int n = ucnv_toUChars(cnv_, out, 4, in, 2, &e);
        if (U_FAILURE(e) || n != 1 || (out[0] >= 0xE000 && out[0] <= 0xF8FF))
            return 0;
        return out[0];
    }

private:
    UConverter* cnv_ = nullptr;
};

} // namespace

QByteArray buildGbkTable(const Gb2312& gb2312, const CharacterDictionary& toTraditional, Tally& tally)
{
    for (const char* rule : {"GB2312 code: in the GB2312 to Big5 table", "same character", "dictionary counterpart",
                             "left as it is", "not a character"})
        tally.emplace_back(rule, 0);
    const Gbk gbk;
    QByteArray blob;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            std::uint16_t cell = 0;
            const char32_t c = trail == 0x7F ? 0 : gbk.at(lead, trail);
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
