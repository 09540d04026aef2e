// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs converters over a corpus and tabulates their errors and speed side by side.

#include "tools/quality/quality_roads.h"
#include "tools/quality/quality_score.h"

#include <QString>

#include <utility>
#include <vector>

namespace scoring {

// The corpus with its Simplified input, made once by OpenCC's t2s.
struct PreparedSource {
    QString name;
    QStringList human;
    QString simplified;        // the human lines through t2s, joined by '\n'
    std::string simplifiedUtf8;
};

// Null when t2s cannot be loaded (error set).
std::vector<PreparedSource> prepare(const std::vector<Source>& corpus, QString* error);

// The localization corpus: every *.tsv under each path, one line a pair "Simplified<TAB>Traditional"
// (a fansub group's two published versions of a subtitle line; corpus/parallel.py writes them).
// The Simplified side is the input as it is, the Traditional side the human truth. A path with
// no *.tsv gives nothing; a path that does not exist sets `error`.
std::vector<PreparedSource> readParallel(const QStringList& paths, QString* error);

struct RoadResult {
    QString road;
    std::vector<std::pair<QString, Score>> perSource;
    Score total;
    double seconds = 0;     // best of `runs` conversions of the whole corpus
    double megabytes = 0;   // UTF-8 size of the Simplified input
    qsizetype characters = 0;
    std::vector<Miss> misses;
};

RoadResult evaluate(const Road& road, const std::vector<PreparedSource>& corpus, int runs,
                    bool collectMisses);

// A source's kind of writing: its file name up to the first '-', dev/ and check/ together
// ("dev/speech-transcripts" is "speech").
QString kindOf(const QString& sourceName);

// A road's scores totalled by kind of writing, in name order.
std::vector<std::pair<QString, Score>> byKind(const RoadResult& result);

// The table: one row per road and, as asked, one per kind of writing and one per source.
enum class Detail { Totals, Kinds, Sources };
void printTable(const std::vector<RoadResult>& results, Detail detail);
inline void printTable(const std::vector<RoadResult>& results, bool perSource)
{
    printTable(results, perSource ? Detail::Sources : Detail::Totals);
}

// The most frequent wrong characters (human -> converter) with one example line each.
void printMisses(const RoadResult& result, int top);

} // namespace scoring
