// SPDX-License-Identifier: GPL-3.0-or-later
// quality: the converters side by side on the development corpus (or the corpus folders named
// in SUBBIG5_QUALITY_CORPUS, separated by ':'): wrong Han characters, lines with an error and
// speed, all measured in this one run. The Simplified input is made by OpenCC's t2s.
#include "bench/bench.h"
#include "tools/quality/quality_report.h"

#include <QStringList>

SUBBIG5_BENCH(quality)
{
    const QString env = qEnvironmentVariable("SUBBIG5_QUALITY_CORPUS");
    const QStringList paths = env.isEmpty() ? QStringList{QStringLiteral(SUBBIG5_CORPUS_DIR)}
                                            : env.split(u':', Qt::SkipEmptyParts);
    QString error;
    const std::vector<scoring::Source> corpus = scoring::readCorpus(paths, &error);
    const std::vector<scoring::PreparedSource> prepared =
        error.isEmpty() ? scoring::prepare(corpus, &error) : std::vector<scoring::PreparedSource>{};
    if (!error.isEmpty()) {
        bench::note("  !! %s", qPrintable(error));
        return;
    }
    bench::note("  corpus: %s (%zu files)", qPrintable(paths.join(u' ')), corpus.size());

    QStringList missing;
    std::vector<scoring::Road> roads = scoring::comparedRoads(&missing);
    for (const QString& m : missing)
        bench::note("  !! %s", qPrintable(m));
    scoring::Road phrase;
    const double buildSeconds = bench::bestSeconds(1, [&] { phrase = scoring::phraseRoad(QString(), &error); });
    bench::note("  building the phrase step's table (once per process): %.3f s", buildSeconds);
    if (phrase.convert)
        roads.push_back(std::move(phrase));
    else
        bench::note("  !! %s", qPrintable(error));

    // Best of three runs each, so a busy moment on the machine does not decide the speed.
    std::vector<scoring::RoadResult> results;
    for (const scoring::Road& road : roads)
        results.push_back(scoring::evaluate(road, prepared, 3, false));
    bench::note("  preservation: Taiwanese text through OpenCC t2s and back");
    scoring::printTable(results, true);
    // The localization corpus (corpus/parallel.py builds it outside the repository): fansub
    // Simplified lines against the same group's Traditional lines, a row per group.
    const QStringList parallel = qEnvironmentVariable("SUBBIG5_PARALLEL_CORPUS").split(u':', Qt::SkipEmptyParts);
    const std::vector<scoring::PreparedSource> localization = scoring::readParallel(parallel, &error);
    if (!localization.empty()) {
        bench::note("  localization: fansub Simplified lines against the group's own Traditional lines");
        std::vector<scoring::RoadResult> local;
        for (const scoring::Road& road : roads)
            local.push_back(scoring::evaluate(road, localization, 3, false));
        scoring::printTable(local, true);
    } else {
        bench::note("  localization: none (set SUBBIG5_PARALLEL_CORPUS to corpus/parallel.py's output)");
    }
    bench::note("  OpenCC converts UTF-8 in and out; the -g -w road and the phrase step are timed");
    bench::note("  through their QString interfaces, conversions to and from UTF-16 included.");
    for (const scoring::RoadResult& r : results)
        if (r.road.startsWith(u"phrase"))
            for (const scoring::RoadResult& o : results)
                if (o.road == u"OpenCC s2tw")
                    bench::note("  phrase step vs s2tw: %.2fx the speed", o.seconds / r.seconds);
}
