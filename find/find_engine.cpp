// SPDX-License-Identifier: GPL-3.0-or-later
#include "find/find_engine.h"

#include <QChar>

#include <algorithm>
#include <array>

namespace find {
namespace {

// Case-insensitive searches fold a window of the text at a time and run Qt's exact search
// on it. Windows start small and double, so the cost stays proportional to the distance to
// the hit (stepping through nearby hits is cheap) without a call per few characters.
constexpr qsizetype kFirstWindow = 256;
constexpr qsizetype kLastWindow = qsizetype(1) << 16;

using FoldTable = std::array<char16_t, 0x10000>;

const FoldTable& foldTable()
{
    static const FoldTable table = [] {
        FoldTable t{};
        for (char32_t c = 0; c < 0x10000; ++c) {
            const char32_t f = QChar::toCaseFolded(c);
            t[c] = char16_t(f < 0x10000 ? f : c);
        }
        for (char16_t c = 0xFF21; c <= 0xFF3A; ++c) // Ａ-Ｚ
            t[c] = char16_t(u'a' + (c - 0xFF21));
        for (char16_t c = 0xFF41; c <= 0xFF5A; ++c) // ａ-ｚ
            t[c] = char16_t(u'a' + (c - 0xFF41));
        return t;
    }();
    return table;
}

QString folded(QStringView s)
{
    const FoldTable& t = foldTable();
    QString out(s.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const char16_t* src = s.utf16();
    for (qsizetype i = 0; i < s.size(); ++i)
        dst[i] = t[src[i]];
    return out;
}

// 0-based start of the first occurrence beginning at or after `from`, or -1.
qsizetype forward(QStringView text, QStringView pattern, qsizetype from, bool fold)
{
    const qsizetype n = text.size(), m = pattern.size();
    if (!fold)
        return text.indexOf(pattern, from, Qt::CaseSensitive);
    const QString p = folded(pattern);
    qsizetype window = kFirstWindow;
    for (qsizetype lo = from; lo + m <= n; lo += window, window = std::min(2 * window, kLastWindow)) {
        const qsizetype hi = std::min(n, lo + window + m - 1);
        const qsizetype hit = QStringView(folded(text.sliced(lo, hi - lo))).indexOf(p);
        if (hit >= 0)
            return lo + hit;
    }
    return -1;
}

// 0-based start of the last occurrence beginning at or before `last`, or -1.
qsizetype backward(QStringView text, QStringView pattern, qsizetype last, bool fold)
{
    const qsizetype n = text.size(), m = pattern.size();
    last = std::min(last, n - m);
    if (last < 0)
        return -1;
    if (!fold)
        return text.first(last + m).lastIndexOf(pattern, last, Qt::CaseSensitive);
    const QString p = folded(pattern);
    qsizetype window = kFirstWindow;
    for (qsizetype hi = last; hi >= 0; hi -= window, window = std::min(2 * window, kLastWindow)) {
        const qsizetype lo = std::max<qsizetype>(0, hi - window + 1);
        const QString chunk = folded(text.sliced(lo, hi + m - lo));
        const qsizetype hit = QStringView(chunk).lastIndexOf(p, hi - lo);
        if (hit >= 0)
            return lo + hit;
    }
    return -1;
}

FindResult select(qsizetype start, qsizetype length)
{
    return {FindResult::Kind::Select, start, length};
}

const FindResult notFound{FindResult::Kind::NotFound, 0, 0};

} // namespace

qsizetype searchText(QStringView text, QStringView pattern, qsizetype from, qint16 mode)
{
    if (pattern.isEmpty())
        return 0;
    from = std::max<qsizetype>(from, 1);
    if (from - 1 + pattern.size() > text.size())
        return 0;
    return forward(text, pattern, from - 1, mode != FindSettings::kExact) + 1;
}

qsizetype searchTextBackward(QStringView text, QStringView pattern, qsizetype before, qint16 mode)
{
    if (pattern.isEmpty() || before < 1)
        return 0;
    return backward(text, pattern, before - 1, mode != FindSettings::kExact) + 1;
}

FindResult findText(QStringView text, qsizetype selStart, qsizetype selLength, const FindSettings& s)
{
    const QStringView f = s.WFindText;
    if (f.isEmpty())
        return {};
    const qsizetype afterSelection = selStart + selLength + 1;
    switch (s.FindMode) {
    case FindSettings::kDown: {
        const qsizetype pos = searchText(text, f, afterSelection, s.FindUL);
        return pos > 0 ? select(pos - 1, f.size()) : notFound;
    }
    case FindSettings::kAll: {
        qsizetype pos = searchText(text, f, afterSelection, s.FindUL);
        if (pos > 0)
            return select(pos - 1, f.size());
        pos = searchText(text, f, 1, s.FindUL);
        // The only occurrence left is the one already selected: nothing new to show.
        return pos > 0 && pos - 1 != selStart ? select(pos - 1, f.size()) : notFound;
    }
    case FindSettings::kUp: {
        // The last occurrence beginning before the selection, even one running into it.
        const qsizetype pos = searchTextBackward(text, f, selStart, s.FindUL);
        return pos > 0 ? select(pos - 1, f.size()) : notFound;
    }
    default:
        return {};
    }
}

QString notFoundMessage(const QString& findText)
{
    return QStringLiteral("找不到『") + findText + QStringLiteral("』");
}

} // namespace find
