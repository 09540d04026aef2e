// SPDX-License-Identifier: GPL-3.0-or-later
// subbig5-quality: scores the converters on a corpus of human Traditional Chinese (Taiwan) text.
//
// Usage: subbig5-quality [--dict FILE] [--misses N] [--road NAME] [--kinds | --sources] [--entries]
//                        [--rows] [PATH...]
//   PATH       corpus folders or files (*.txt, one segment a line); default: the repository's corpus
//   --dict     use this phrase dictionary instead of the built-in one (try entries without a rebuild)
//   --misses   list the N most frequent wrong characters of the road named by --road (default: phrase)
//   --kinds    a row per kind of writing (speech, sentences, web, ...) under each converter
//   --sources  the same, and a row per corpus file
//   --entries  each phrase-dictionary entry left out in turn: what it fixes and breaks, per kind
//              of writing and half (dev/check)
//   --rows     each correction-list row applied alone after the phrase step: what it fixes and breaks
// Besides the quality table's converters it scores the phrase step followed by the correction list.
#include "tools/quality/quality_entries.h"
#include "tools/quality/quality_report.h"
#include "tools/quality/quality_rows.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString dictionary, missRoad = QStringLiteral("phrase");
    int misses = 0;
    scoring::Detail detail = scoring::Detail::Totals;
    bool rows = false, entries = false;
    QStringList paths;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--dict" && i + 1 < args.size())
            dictionary = args[++i];
        else if (a == u"--misses" && i + 1 < args.size())
            misses = args[++i].toInt();
        else if (a == u"--road" && i + 1 < args.size())
            missRoad = args[++i];
        else if (a == u"--kinds")
            detail = scoring::Detail::Kinds;
        else if (a == u"--sources")
            detail = scoring::Detail::Sources;
        else if (a == u"--rows")
            rows = true;
        else if (a == u"--entries")
            entries = true;
        else
            paths << a;
    }
    if (paths.isEmpty())
        paths << QStringLiteral(SUBBIG5_CORPUS_DIR);

    QString error;
    const std::vector<scoring::Source> corpus = scoring::readCorpus(paths, &error);
    const std::vector<scoring::PreparedSource> prepared = error.isEmpty()
        ? scoring::prepare(corpus, &error) : std::vector<scoring::PreparedSource>{};
    if (!error.isEmpty()) {
        std::fprintf(stderr, "subbig5-quality: %s\n", qPrintable(error));
        return 1;
    }

    if (entries) {
        const QString text = scoring::dictionaryText(dictionary, &error);
        const std::vector<scoring::EntryEffect> effects =
            text.isNull() ? std::vector<scoring::EntryEffect>{} : scoring::entryEffects(text, prepared, &error);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "subbig5-quality: %s\n", qPrintable(error));
            return 1;
        }
        scoring::printEntryEffects(effects);
        return 0;
    }

    std::vector<scoring::Road> roads = scoring::comparedRoads(nullptr);
    scoring::Road phrase = scoring::phraseRoad(dictionary, &error);
    if (!phrase.convert) {
        std::fprintf(stderr, "subbig5-quality: %s\n", qPrintable(error));
        return 1;
    }
    // Would the correction list still help after the phrase step? The corpus decides.
    roads.push_back({QStringLiteral("phrase step + correction list"),
                     [convert = phrase.convert](const QString& s) { return scoring::withCorrections(convert(s)); },
                     nullptr});
    roads.push_back(std::move(phrase));

    if (rows) {
        scoring::printRowEffects(roads.back(), prepared);
        return 0;
    }
    std::vector<scoring::RoadResult> results;
    for (const scoring::Road& road : roads) {
        const bool collect = misses > 0 && road.name.contains(missRoad, Qt::CaseInsensitive);
        results.push_back(scoring::evaluate(road, prepared, 1, collect));
    }
    scoring::printTable(results, detail);
    for (const scoring::RoadResult& r : results)
        if (!r.misses.empty())
            scoring::printMisses(r, misses);
    return 0;
}
