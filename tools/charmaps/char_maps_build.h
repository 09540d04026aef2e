// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The character maps of 簡轉繁 and 繁轉簡 on text, built from the conversion tables and ICU's
// code pages. Built once, by the build, into the program (see convert/char_conversion.cpp).

#include <array>
#include <memory>

namespace charmaps {

// For every BMP character, what a conversion makes of it; 0 where it stays as it is.
using CharMap = std::array<char16_t, 65536>;

// Both need BigStr, GBStr and the GBK table loaded.
std::unique_ptr<CharMap> buildGbToBig();
std::unique_ptr<CharMap> buildBigToGB();

} // namespace charmaps
