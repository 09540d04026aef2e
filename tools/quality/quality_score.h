// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scoring a converter against human Traditional Chinese (Taiwan) text: the Simplified input is
// made from the human text by OpenCC's t2s, the converter turns it back, and every Han
// character that differs from the human text counts as wrong.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace scoring {

// One corpus file: its name (the source) and its lines, one human segment each.
struct Source {
    QString name;
    QStringList lines;
};

// Reads every *.txt under each path (a folder, searched recursively, or a file); files with the
// same name in different folders (dev/, check/) are kept apart as "dev/name".
std::vector<Source> readCorpus(const QStringList& paths, QString* error);

bool isHan(char32_t c);
qsizetype hanCount(QStringView text);

// A wrong character: what the human wrote, what the converter wrote, and where.
struct Miss {
    char32_t want;
    char32_t got;      // 0 when the converter's line could not be aligned character by character
    QString context;   // the human text around it
};

// Han characters of `human` that `converted` does not reproduce. Lines of equal length are
// compared position by position; otherwise by a longest-common-subsequence alignment.
qsizetype wrongHan(QStringView human, QStringView converted, std::vector<Miss>* misses = nullptr);

struct Score {
    qsizetype han = 0;
    qsizetype wrong = 0;
    qsizetype lines = 0;
    qsizetype linesWithError = 0;
    double wrongPercent() const { return han ? 100.0 * double(wrong) / double(han) : 0; }
    double linePercent() const { return lines ? 100.0 * double(linesWithError) / double(lines) : 0; }
    Score& operator+=(const Score& o);
};

// Scores converted lines against the human ones (same count; a missing line is all wrong).
Score score(const QStringList& human, const QStringList& converted, std::vector<Miss>* misses = nullptr);

} // namespace scoring
