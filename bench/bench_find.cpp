// SPDX-License-Identifier: GPL-3.0-or-later
// F3 (the plain find engine on a QString, without the text area) and replace all, on a
// 50 MB subtitle text.
#include "bench/bench.h"

#include "find/find_engine.h"
#include "find/replace.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr qsizetype kBytes = 50 * 1000 * 1000;
constexpr int kOccurrences = 100000;

// The sample text with `word` planted at evenly spaced line starts, replacing what was there.
QString textWithOccurrences(const QString& word, int count)
{
    QString text = bench::big5SubtitleText(kBytes);
    const qsizetype step = text.size() / count;
    for (int i = 0; i < count; ++i)
        text.replace(i * step, word.size(), word);
    return text;
}

void f3(const char* what, const QString& text, double mb, qsizetype selStart, const find::FindSettings& s)
{
    find::FindResult r;
    const double seconds = bench::bestSeconds(3, [&] { r = find::findText(text, selStart, 0, s); });
    char label[160];
    std::snprintf(label, sizeof label, "one F3 %s: %s", what,
                  r.kind == find::FindResult::Kind::Select ? "found" : "not found");
    bench::row(label, mb, seconds);
}

// F3 over and over from one end until the not-found message: every occurrence once.
void walk(const char* what, const QString& text, double mb, qsizetype selStart, const find::FindSettings& s)
{
    int steps = 0;
    const double seconds = bench::bestSeconds(3, [&] {
        steps = 0;
        qsizetype start = selStart, length = 0;
        for (find::FindResult r; (r = find::findText(text, start, length, s)).kind == find::FindResult::Kind::Select; ++steps) {
            start = r.start;
            length = r.length;
        }
    });
    char label[160];
    std::snprintf(label, sizeof label, "%d F3 %s (%.2f us each)", steps, what, seconds / steps * 1e6);
    bench::row(label, mb, seconds);
}

} // namespace

SUBBIG5_BENCH(find_next)
{
    const QString word = QStringLiteral("Ｘ檔案");
    const QString text = textWithOccurrences(word, kOccurrences);
    const double mb = text.size() * 2 / 1e6;
    bench::note("find_next: the plain findText on a QString of %lld code units (%.0f MB UTF-16) "
                "holding %d occurrences of a 3-character word; the text area is not involved",
                static_cast<long long>(text.size()), mb, kOccurrences);
    for (qint16 ul : {qint16(0), qint16(1)}) {
        bench::note("  FindUL = %d%s", ul, ul ? " (case-insensitive, x matches Ｘ)" : " (exact)");
        find::FindSettings s;
        s.WFindText = ul ? QStringLiteral("x檔案") : word;
        s.FindUL = ul;
        s.FindMode = find::FindSettings::kDown;
        walk("down from the top", text, mb, 0, s);
        s.FindMode = find::FindSettings::kUp;
        walk("up from the end", text, mb, text.size(), s);
        s.WFindText = QStringLiteral("不存在的字");
        s.FindMode = find::FindSettings::kDown;
        f3("down from the top, absent text", text, mb, 0, s);
        s.FindMode = find::FindSettings::kAll;
        f3("all from the middle, absent text", text, mb, text.size() / 2, s);
        s.FindMode = find::FindSettings::kUp;
        f3("up from the end, absent text", text, mb, text.size(), s);
    }

    // The upward search as first defined: forward searches from the top, one per occurrence.
    const double seconds = bench::bestSeconds(3, [&] {
        qsizetype last = 0;
        for (qsizetype pos = find::searchText(text, word, 1, find::FindSettings::kExact); pos > 0; pos = find::searchText(text, word, pos + 1, find::FindSettings::kExact))
            last = pos;
        if (last == 0)
            std::abort();
    });
    bench::row("reference: one F3 up from the end by forward enumeration", mb, seconds);
}

SUBBIG5_BENCH(replace_all)
{
    const QString text = bench::big5SubtitleText(kBytes);
    const double mb = text.size() * 2 / 1e6;
    const qsizetype count = text.count(QStringLiteral("的"));
    bench::note("replace_all: %lld code units (%.0f MB UTF-16), %lld occurrences of 的",
                static_cast<long long>(text.size()), mb, static_cast<long long>(count));
    QString out;
    bench::row("replace all 的 -> 得 (same length)", mb,
               bench::bestSeconds(3, [&] { out = find::replaceOccurrences(text, u"的", u"得"); }));
    bench::row("replace all 的 -> 之的 (longer)", mb,
               bench::bestSeconds(3, [&] { out = find::replaceOccurrences(text, u"的", u"之的"); }));
    bench::row("replace all \\r\\n -> \\n (common line end)", mb,
               bench::bestSeconds(3, [&] { out = find::replaceOccurrences(text, u"\r\n", u"\n"); }));
}
