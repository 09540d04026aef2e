// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a conversion changed the length of its input: the stretch of `inLength` UTF-16 units
// at `inStart` became `outLength` units. Everywhere else input and output line up unit by unit.

#include <QtGlobal>

namespace convert {

struct LengthChange {
    qsizetype inStart = 0;
    qsizetype inLength = 0;
    qsizetype outLength = 0;
};

} // namespace convert
