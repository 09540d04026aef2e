// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hand-chosen counterparts that win over OpenCC's dictionaries: look-alikes for symbols the
// dictionaries do not cover, and the readings of a few characters the tables must pin down.

#include <span>
#include <string_view>

namespace gentables {

// Every character of `from` maps to `to`; `to` == 0 pins "no counterpart".
struct CounterpartRow {
    std::u32string_view from;
    char32_t to;
};

// Big5 character -> GB2312 character (the Big5 to GB2312 table).
std::span<const CounterpartRow> simplifiedOverrides();

// GB2312 character -> code page 950 character (the GB2312 to Big5 table).
std::span<const CounterpartRow> traditionalOverrides();

} // namespace gentables
