// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/quality/quality_entries.h"

#include "convert/phrase/conversion.h"
#include "convert/phrase/converter.h"

#include <cstdio>

namespace scoring {
namespace {

// Wrong characters per source with the dictionary `text`; empty when it cannot be built.
std::vector<qsizetype> wrongPerSource(const QString& text, const std::vector<PreparedSource>& corpus,
                                      QString* error)
{
    const auto converter = phrase::Converter::load(phrase::openccDataDir(), text, error);
    if (!converter)
        return {};
    std::vector<qsizetype> wrong;
    for (const PreparedSource& s : corpus)
        wrong.push_back(score(s.human, converter->convert(s.simplified).split(u'\n')).wrong);
    return wrong;
}

// dev or check for the Taiwanese text; the group for a localization source
// ("localization-kitauji"), so that an entry can be judged on the groups it was not taken from.
QString halfOf(const QString& sourceName)
{
    return sourceName.contains(u'/') ? sourceName.section(u'/', 0, 0) : sourceName.section(u'-', 1);
}

} // namespace

std::vector<EntryEffect> entryEffects(const QString& dictionaryText,
                                      const std::vector<PreparedSource>& corpus, QString* error)
{
    const std::vector<qsizetype> base = wrongPerSource(dictionaryText, corpus, error);
    if (base.empty() && !corpus.empty())
        return {};
    QStringList lines = dictionaryText.split(u'\n');
    std::vector<EntryEffect> effects;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString entry = lines[i].section(u'#', 0, 0).simplified();
        if (entry.isEmpty() || entry.startsWith(u'['))
            continue;
        const QString kept = lines[i];
        lines[i].clear();   // the line numbers of the rest stay as they are
        const std::vector<qsizetype> without = wrongPerSource(lines.join(u'\n'), corpus, error);
        lines[i] = kept;
        if (without.size() != corpus.size())
            return {};
        EntryEffect e{entry, int(i + 1), {}, 0};
        for (size_t s = 0; s < corpus.size(); ++s) {
            if (const qsizetype delta = base[s] - without[s]) {
                e.byKindHalf[(kindOf(corpus[s].name) + u' ' + halfOf(corpus[s].name)).trimmed()] += delta;
                e.total += delta;
            }
        }
        effects.push_back(std::move(e));
    }
    return effects;
}

void printEntryEffects(const std::vector<EntryEffect>& effects)
{
    std::printf("  each entry: wrong characters with it minus without it (negative: it helps)\n");
    for (const EntryEffect& e : effects) {
        QString places;
        for (const auto& [where, delta] : e.byKindHalf)
            places += QStringLiteral("  %1 %2").arg(where).arg(delta > 0 ? QStringLiteral("+%1").arg(delta)
                                                                         : QString::number(delta));
        std::printf("  line %3d %+5lld  %s %s\n", e.line, static_cast<long long>(e.total),
                    qPrintable(e.entry), qPrintable(places));
    }
    std::fflush(stdout);
}

} // namespace scoring
