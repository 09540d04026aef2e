// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The correction pass done the obvious, slow way: every row over the whole text, one
// after the other, twice over the list. The fast pass must give exactly this.

#include "correct/correction_list.h"

#include <QString>
#include <QStringView>

namespace naive {

inline QStringView view(std::u16string_view s)
{
    return QStringView(s.data(), qsizetype(s.size()));
}

// Every non-overlapping occurrence, left to right; the search goes on after the
// replaced text, so what a row inserts is never searched by the same row.
inline QString replaceRow(const QString& text, const CorrectionRow& row)
{
    const QStringView find = view(row.find);
    qsizetype at = text.indexOf(find, 0, Qt::CaseSensitive);
    if (at < 0)
        return text;
    QString out;
    qsizetype from = 0;
    while (at >= 0) {
        out += QStringView(text).sliced(from, at - from);
        out += view(row.replacement);
        from = at + find.size();
        at = text.indexOf(find, from, Qt::CaseSensitive);
    }
    out += QStringView(text).sliced(from);
    return out;
}

inline QString correctSubtitles(const QString& text, int runs = 2)
{
    QString result = text;
    for (int run = 0; run < runs; ++run)
        for (const CorrectionRow& row : correctionList())
            result = replaceRow(result, row);
    return result;
}

} // namespace naive
