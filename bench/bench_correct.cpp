// SPDX-License-Identifier: GPL-3.0-or-later
// The correction pass on a large converted subtitle file, beside the row-by-row pass
// it must equal and beside OpenCC's s2twp, which does a comparable job by dictionary.

#include "bench/bench.h"
#include "convert/codepage.h"
#include "correct/correction.h"
#include "tests/correct/naive_correction.h"
#include "tests/correct/subtitle_sample.h"

#ifdef SUBBIG5_HAVE_OPENCC
#include <opencc/SimpleConverter.hpp>
#endif

namespace {

// The text up to the cue boundary nearest `chars`, so a slice is still whole cues.
QString wholeCues(const QString& text, qsizetype chars)
{
    const qsizetype cut = text.indexOf(QStringLiteral("\r\n\r\n"), chars);
    return cut < 0 ? text : text.first(cut + 4);
}

} // namespace

SUBBIG5_BENCH(correct_subtitles)
{
    const QString text = sample::subtitleText(42, 16000000);
    const double big5MB = cp950::encode(text).size() / 1e6;
    const QByteArray utf8 = text.toUtf8();
    bench::note("  text: %lld UTF-16 units, %.1f MB as Big5, %.1f MB as UTF-8; "
                "MB/s below count Big5 bytes",
                static_cast<long long>(text.size()), big5MB, utf8.size() / 1e6);

    QString fast;
    const double fastSeconds = bench::bestSeconds(3, [&] { fast = correction::correctSubtitles(text); });
    bench::row("correction::correctSubtitles (stretch-wise, 2 runs of 265 rows)", big5MB, fastSeconds);

    // The row-by-row pass is linear in the text, so time it on a slice and scale up.
    const QString slice = wholeCues(text, text.size() / 10);
    const double sliceShare = double(slice.size()) / double(text.size());
    QString slow;
    const double sliceSeconds = bench::bestSeconds(1, [&] { slow = naive::correctSubtitles(slice); });
    const double naiveSeconds = sliceSeconds / sliceShare;
    bench::row("row-by-row reference, 530 whole-text passes (scaled)", big5MB, naiveSeconds);
    bench::note("  reference timed on the first %.1f%% of the text (%.3f s) and scaled linearly",
                sliceShare * 100, sliceSeconds);
    const bool same = correction::correctSubtitles(slice) == slow;
    bench::note("  fast pass equals the reference on that slice: %s", same ? "yes" : "NO");
    bench::note("  speed-up over the reference: %.1fx (target 20x)", naiveSeconds / fastSeconds);
    bench::note("  result: %lld UTF-16 units (the text grows where 內存 becomes 記憶體)",
                static_cast<long long>(fast.size()));

#ifdef SUBBIG5_HAVE_OPENCC
    const opencc::SimpleConverter s2twp("/usr/share/opencc/s2twp.json");
    std::string converted;
    const double openccSeconds = bench::bestSeconds(1, [&] {
        converted = s2twp.Convert(utf8.constData(), std::size_t(utf8.size()));
    });
    bench::row("OpenCC s2twp on the same text as UTF-8", big5MB, openccSeconds);
    bench::note("  OpenCC output %.1f MB; speed-up over OpenCC: %.1fx (target 10x)",
                converted.size() / 1e6, openccSeconds / fastSeconds);
#else
    bench::note("  OpenCC not found: s2twp not measured");
#endif
    bench::note("  peak RSS %.0f MB", bench::peakRssMB());
}
