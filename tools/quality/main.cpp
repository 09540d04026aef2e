// SPDX-License-Identifier: GPL-3.0-or-later
// subbig5-quality: scores the converters on a corpus of human Traditional Chinese (Taiwan) text.
//
// Usage: subbig5-quality [--dict FILE] [--misses N] [--road NAME] [--kinds | --sources] [--entries]
//                        [--rows] [--parallel DIR]... [PATH...]
//   PATH       corpus folders or files (*.txt, one segment a line); default: the repository's corpus
//   --parallel the localization corpus: *.tsv of Simplified and Traditional subtitle line pairs
//              (corpus/parallel.py builds them); default: the folders in SUBBIG5_PARALLEL_CORPUS
//              (separated by ':'). It is scored in a table of its own, a row per group.
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
    QStringList parallel = qEnvironmentVariable("SUBBIG5_PARALLEL_CORPUS").split(u':', Qt::SkipEmptyParts);
    bool parallelGiven = false;
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
        else if (a == u"--parallel" && i + 1 < args.size()) {
            if (!parallelGiven)
                parallel.clear();
            parallelGiven = true;
            parallel << args[++i];
        }
        else
            paths << a;
    }
    if (paths.isEmpty())
        paths << QStringLiteral(SUBBIG5_CORPUS_DIR);

    QString error;
    const std::vector<scoring::Source> corpus = scoring::readCorpus(paths, &error);
    std::vector<scoring::PreparedSource> prepared = error.isEmpty()
        ? scoring::prepare(corpus, &error) : std::vector<scoring::PreparedSource>{};
    const std::vector<scoring::PreparedSource> localization =
        error.isEmpty() ? scoring::readParallel(parallel, &error) : std::vector<scoring::PreparedSource>{};
    if (!error.isEmpty()) {
        std::fprintf(stderr, "subbig5-quality: %s\n", qPrintable(error));
        return 1;
    }

    if (entries) {
        // Both kinds of corpus judge an entry: a localization source's kind is "localization".
        std::vector<scoring::PreparedSource> all = prepared;
        all.insert(all.end(), localization.begin(), localization.end());
        const QString text = scoring::dictionaryText(dictionary, &error);
        const std::vector<scoring::EntryEffect> effects =
            text.isNull() ? std::vector<scoring::EntryEffect>{} : scoring::entryEffects(text, all, &error);
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
    auto table = [&](const char* title, const std::vector<scoring::PreparedSource>& sources,
                     scoring::Detail level) {
        std::printf("%s\n", title);
        std::vector<scoring::RoadResult> results;
        for (const scoring::Road& road : roads) {
            const bool collect = misses > 0 && road.name.contains(missRoad, Qt::CaseInsensitive);
            results.push_back(scoring::evaluate(road, sources, 1, collect));
        }
        scoring::printTable(results, level);
        for (const scoring::RoadResult& r : results)
            if (!r.misses.empty())
                scoring::printMisses(r, misses);
    };
    if (!prepared.empty())
        table("preservation: Taiwanese text through OpenCC t2s and back", prepared, detail);
    if (!localization.empty())
        table("localization: fansub Simplified lines against the group's own Traditional lines",
              localization, scoring::Detail::Sources);
    return 0;
}
