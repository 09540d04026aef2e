// SPDX-License-Identifier: GPL-3.0-or-later
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
    // Whole ten-thousandths, halves to even. Sizes beyond any font's (2160 points) are
    // clamped and a value that is no number is ignored, so the dialog records' arithmetic
    // stays in range.
    if (std::isnan(points))
        return;
    constexpr double kLargest = 2160.0;
    sizeTenThousandths_ = qint64(std::nearbyint(std::clamp(points, -kLargest, kLargest) * 10000.0));
}
