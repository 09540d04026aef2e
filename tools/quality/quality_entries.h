// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What each entry of a phrase dictionary does on the corpus: the phrase step is built once with
// the whole dictionary and once without each entry, and the wrong characters are compared per
// kind of writing and half (dev/check), so an entry can be judged where it helps and where not.

#include "tools/quality/quality_report.h"

#include <QString>

#include <map>
#include <vector>

namespace scoring {

struct EntryEffect {
    QString entry;   // the dictionary line, comment stripped ("计划 計畫")
    int line = 0;
    // Wrong characters with the entry minus without it (negative: the entry helps), keyed by
    // kind and half ("speech dev") or, for the localization corpus, group ("localization
    // kitauji"); only the places it changes.
    std::map<QString, qsizetype> byKindHalf;
    qsizetype total = 0;
};

// One effect per entry, in dictionary order. Empty, with `error` set, when the dictionary or
// OpenCC's data cannot be loaded.
std::vector<EntryEffect> entryEffects(const QString& dictionaryText,
                                      const std::vector<PreparedSource>& corpus, QString* error);

void printEntryEffects(const std::vector<EntryEffect>& effects);

} // namespace scoring
