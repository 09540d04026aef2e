#include "dialogs/std_font.h"

#include <algorithm>
#include <cmath>

namespace {
// PMingLiU at 9 points in the Big5 character set: what a Traditional Chinese
// desktop hands out for dialogs.
const char16_t defaultName[] = u"新細明體";
constexpr qint64 defaultSize = 90000;
constexpr qint16 normalWeight = 400;
constexpr qint16 big5Charset = 136;
} // namespace

StdFont::StdFont()
    : name_(QString::fromUtf16(defaultName))
    , sizeTenThousandths_(defaultSize)
    , weight_(normalWeight)
    , charset_(big5Charset)
{
}

void StdFont::setSize(double points)
{
    // Whole ten-thousandths, halves to even, within a currency value's range.
    constexpr double limit = 9.2e18;
    sizeTenThousandths_ = qint64(std::nearbyint(std::clamp(points * 10000.0, -limit, limit)));
}
