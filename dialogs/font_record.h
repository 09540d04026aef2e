// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Between the standard font object and the font dialog's records.
#include "dialogs/dialog_records.h"
#include "dialogs/std_font.h"

#include <QString>

namespace tesmo {

// num / den rounded to the nearest integer, halves to even (den > 0).
qint64 roundHalfEven(qint64 num, qint64 den);

// Cell height for a point size in ten-thousandths: size × 4 / 3.
qint32 cellHeightFor(qint64 sizeTenThousandths);
// Tenths of a point: size × 10.
qint32 pointSizeTenthsFor(qint64 sizeTenThousandths);

// The face name in code page 950, NUL-terminated. A name longer than 31 bytes is
// cut at the last whole character that fits.
void writeFaceName(LogFont& font, const QString& name);
QString faceNameOf(const LogFont& font);

// The LOGFONT a font dialog starts from.
LogFont logFontFrom(const StdFont& font);
// The new font object made from a confirmed dialog: name, size, bold, italic,
// underline and strike-out; weight and character set stay the new object's own.
StdFontRef stdFontFrom(const ChooseFont& record, const LogFont& font);

} // namespace tesmo
