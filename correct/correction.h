// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The subtitle correction pass: the correction list applied twice over a whole text.

#include <QString>

// Gives exactly what 530 successive whole-text row replacements would give (each row
// replaces every non-overlapping occurrence left to right, comparing code units), but
// visits only the stretches of text that a row can touch.
namespace correction {

QString correctSubtitles(const QString& text);

} // namespace correction
