// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixed, ordered list of replacements that repairs converted subtitle text.

#include <span>
#include <string_view>

struct CorrectionRow {
    std::u16string_view find;        // 1 to 4 characters, never empty
    std::u16string_view replacement; // as long as find except for one row
};

// The 265 rows in the order they are applied.
std::span<const CorrectionRow> correctionList();
