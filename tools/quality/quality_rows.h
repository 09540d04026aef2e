// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which rows of the correction list would help after a converter: each row is applied alone
// to the converter's output, and the wrong characters it adds or removes are counted on the
// dev and check halves of the corpus.

#include "tools/quality/quality_report.h"

namespace scoring {

// Prints every row that changes the converter's output on the corpus, with its effect on
// dev/ and check/ sources (a source is "check" when its name starts with "check/").
void printRowEffects(const Road& road, const std::vector<PreparedSource>& corpus);

} // namespace scoring
