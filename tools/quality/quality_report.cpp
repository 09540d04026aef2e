// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/quality/quality_report.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

namespace scoring {

std::vector<PreparedSource> prepare(const std::vector<Source>& corpus, QString* error)
{
    const Road t2s = openccRoad(QStringLiteral("t2s"), "t2s.json", error);
    if (!t2s.convert)
        return {};
    std::vector<PreparedSource> out;
    for (const Source& s : corpus) {
        PreparedSource p{s.name, s.lines, t2s.convert(s.lines.join(u'\n')), {}};
        p.simplifiedUtf8 = p.simplified.toStdString();
        out.push_back(std::move(p));
    }
    return out;
}

std::vector<PreparedSource> readParallel(const QStringList& paths, QString* error)
{
    std::vector<PreparedSource> out;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        QStringList files;
        if (info.isDir()) {
            QDirIterator it(path, {QStringLiteral("*.tsv")}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
            files.sort();
        } else if (info.isFile()) {
            if (path.endsWith(u".tsv"))
                files << path;
        } else {
            *error = QStringLiteral("no corpus at %1").arg(path);
            return {};
        }
        for (const QString& file : files) {
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly)) {
                *error = QStringLiteral("cannot read %1").arg(file);
                return {};
            }
            PreparedSource p;
            p.name = QFileInfo(file).completeBaseName();
            QStringList simplified;
            for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n')) {
                const qsizetype tab = line.indexOf(u'\t');
                if (tab < 0 || hanCount(line) == 0)
                    continue;
                simplified << line.left(tab);
                p.human << line.mid(tab + 1);
            }
            p.simplified = simplified.join(u'\n');
            p.simplifiedUtf8 = p.simplified.toStdString();
            out.push_back(std::move(p));
        }
    }
    return out;
}

RoadResult evaluate(const Road& road, const std::vector<PreparedSource>& corpus, int runs,
                    bool collectMisses)
{
    RoadResult r;
    r.road = road.name;
    r.seconds = 1e300;
    std::vector<QString> outputs(corpus.size());
    for (int run = 0; run < runs; ++run) {
        double total = 0;
        for (size_t i = 0; i < corpus.size(); ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            if (road.convertUtf8) {
                const std::string out = road.convertUtf8(corpus[i].simplifiedUtf8);
                total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                outputs[i] = QString::fromStdString(out);
            } else {
                outputs[i] = road.convert(corpus[i].simplified);
                total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            }
        }
        r.seconds = std::min(r.seconds, total);
    }
    for (size_t i = 0; i < corpus.size(); ++i) {
        const Score s = score(corpus[i].human, outputs[i].split(u'\n'),
                              collectMisses ? &r.misses : nullptr);
        r.perSource.emplace_back(corpus[i].name, s);
        r.total += s;
        r.megabytes += double(corpus[i].simplifiedUtf8.size()) / 1e6;
        r.characters += corpus[i].simplified.size();
    }
    return r;
}

QString kindOf(const QString& sourceName)
{
    const QString file = sourceName.section(u'/', -1);
    return file.section(u'-', 0, 0);
}

std::vector<std::pair<QString, Score>> byKind(const RoadResult& result)
{
    std::map<QString, Score> kinds;
    for (const auto& [name, s] : result.perSource)
        kinds[kindOf(name)] += s;
    return {kinds.begin(), kinds.end()};
}

void printTable(const std::vector<RoadResult>& results, Detail detail)
{
    std::printf("  %-34s %9s %7s %9s %9s %11s %9s\n", "converter", "Han", "wrong", "of Han",
                "lines err", "MB/s", "Mchar/s");
    auto row = [](const QString& name, const Score& s) {
        std::printf("    %-32s %9lld %7lld %8.2f%% %8.1f%%\n", qPrintable(name),
                    static_cast<long long>(s.han), static_cast<long long>(s.wrong),
                    s.wrongPercent(), s.linePercent());
    };
    for (const RoadResult& r : results) {
        std::printf("  %-34s %9lld %7lld %8.2f%% %8.1f%% %11.2f %9.2f\n", qPrintable(r.road),
                    static_cast<long long>(r.total.han), static_cast<long long>(r.total.wrong),
                    r.total.wrongPercent(), r.total.linePercent(), r.megabytes / r.seconds,
                    double(r.characters) / r.seconds / 1e6);
        if (detail == Detail::Totals)
            continue;
        for (const auto& [kind, s] : byKind(r))
            row(QStringLiteral("kind: ") + kind, s);
        if (detail == Detail::Sources)
            for (const auto& [name, s] : r.perSource)
                row(name, s);
    }
    std::fflush(stdout);
}

void printMisses(const RoadResult& result, int top)
{
    std::map<std::pair<char32_t, char32_t>, std::pair<int, QString>> counts;
    for (const Miss& m : result.misses) {
        auto& [n, examples] = counts[{m.want, m.got}];
        if (n++ < 6)
            examples += (examples.isEmpty() ? QString() : QStringLiteral(" | ")) + m.context;
    }
    std::vector<std::pair<int, std::pair<char32_t, char32_t>>> order;
    for (const auto& [pair, v] : counts)
        order.push_back({v.first, pair});
    std::sort(order.begin(), order.end(), std::greater<>());
    std::printf("  %s: %zu wrong characters, most frequent first (human <- converter)\n",
                qPrintable(result.road), result.misses.size());
    for (int i = 0; i < top && i < int(order.size()); ++i) {
        const auto [want, got] = order[i].second;
        const QString w = QString::fromUcs4(&want, 1);
        const QString g = got ? QString::fromUcs4(&got, 1) : QStringLiteral("(realigned)");
        std::printf("  %5d  %s <- %s   %s\n", order[i].first, qPrintable(w), qPrintable(g),
                    qPrintable(counts[std::make_pair(want, got)].second));
    }
    std::fflush(stdout);
}

} // namespace scoring
