// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/quality/quality_rows.h"

#include "correct/correction_list.h"

#include <cstdio>

namespace scoring {

void printRowEffects(const Road& road, const std::vector<PreparedSource>& corpus)
{
    std::vector<QString> outputs;
    std::vector<qsizetype> baseWrong;
    for (const PreparedSource& s : corpus) {
        outputs.push_back(road.convert(s.simplified));
        baseWrong.push_back(score(s.human, outputs.back().split(u'\n')).wrong);
    }
    std::printf("  correction rows that change %s's output (wrong characters: dev, check; - is better)\n",
                qPrintable(road.name));
    int row = 0;
    for (const CorrectionRow& r : correctionList()) {
        ++row;
        const QString find = QString::fromUtf16(r.find.data(), qsizetype(r.find.size()));
        const QString with = QString::fromUtf16(r.replacement.data(), qsizetype(r.replacement.size()));
        qsizetype dev = 0, check = 0;
        bool touched = false;
        for (size_t i = 0; i < corpus.size(); ++i) {
            if (!outputs[i].contains(find))
                continue;
            touched = true;
            QString changed = outputs[i];
            changed.replace(find, with);
            const qsizetype delta = score(corpus[i].human, changed.split(u'\n')).wrong - baseWrong[i];
            (corpus[i].name.startsWith(u"check/") ? check : dev) += delta;
        }
        if (touched)
            std::printf("  row %3d  %s -> %s   %+lld, %+lld\n", row, qPrintable(find), qPrintable(with),
                        static_cast<long long>(dev), static_cast<long long>(check));
    }
    std::fflush(stdout);
}

} // namespace scoring
