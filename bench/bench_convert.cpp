// SPDX-License-Identifier: GPL-3.0-or-later
// 簡轉繁 / 繁轉簡 on a 100 MB subtitle file: the byte scan alone, the whole text path
// (encode, scan, decode), glibc iconv GB2312 -> BIG5 on the same bytes and OpenCC s2t on
// the same text.
#include "bench/bench.h"
#include "convert/codepage.h"
#include "convert/conversion.h"
#include "convert/tables.h"

#include <iconv.h>

#include <cerrno>
#include <chrono>
#include <vector>

#ifdef SUBBIG5_HAVE_OPENCC
#include <opencc/SimpleConverter.hpp>
#endif

namespace {

// Best of five in-place scans, each on a fresh copy so every run converts the same bytes.
template <class Scan>
double scanSeconds(const QByteArray& in, Scan scan)
{
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        QByteArray work = in;
        work.detach();
        const auto t0 = std::chrono::steady_clock::now();
        scan(work);
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        best = std::min(best, d.count());
    }
    return best;
}

// glibc iconv over the whole buffer; a code it cannot map becomes '?' and the scan goes on.
QByteArray iconvConvert(const char* from, const char* to, const QByteArray& in, size_t* failures)
{
    std::vector<char> out(size_t(in.size()) * 2 + 16);
    iconv_t cd = iconv_open(to, from);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = size_t(in.size());
    char* dst = out.data();
    size_t dstLeft = out.size();
    *failures = 0;
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1) || errno != EILSEQ)
            break;
        const size_t skip = std::min<size_t>(srcLeft, 2);
        src += skip;
        srcLeft -= skip;
        *dst++ = '?';
        --dstLeft;
        ++*failures;
    }
    iconv_close(cd);
    return QByteArray(out.data(), qsizetype(out.size() - dstLeft));
}

} // namespace

SUBBIG5_BENCH(convert)
{
    QString error;
    if (!modBig2GB::LoadTables(&error)) {
        bench::note("  !! %s", qPrintable(error));
        return;
    }
    // A GB2312 subtitle file as the editor holds it: its bytes decoded as if they were Big5.
    const QString big5Text = bench::big5SubtitleText(100 << 20);
    const QByteArray big5Bytes = cp950::encode(big5Text);
    QByteArray gbBytes = big5Bytes;
    modBig2GB::bigToGBBytes(gbBytes);
    const QString gbShown = cp950::decode(gbBytes);
    const double mb = gbBytes.size() / 1e6;
    bench::note("  %.1f MB of GB2312 subtitle text, %.1f MB of Big5", mb, big5Bytes.size() / 1e6);

    const double scanGB = scanSeconds(gbBytes, modBig2GB::gbToBigBytes);
    const double scanBig = scanSeconds(big5Bytes, modBig2GB::bigToGBBytes);
    QString big5Out;
    const double gbToBig = bench::bestSeconds(3, [&] { big5Out = modBig2GB::GBToBig(gbShown); });
    QString gbOut;
    const double bigToGB = bench::bestSeconds(3, [&] { gbOut = modBig2GB::BigToGB(big5Text); });
    size_t failures = 0;
    QByteArray iconvOut;
    const double iconvSec = bench::bestSeconds(3, [&] { iconvOut = iconvConvert("GB2312", "BIG5", gbBytes, &failures); });

    bench::row("scan    gbToBigBytes (in place)", mb, scanGB);
    bench::row("scan    bigToGBBytes (in place)", big5Bytes.size() / 1e6, scanBig);
    bench::row("text    GBToBig (encode, scan, decode)", mb, gbToBig);
    bench::row("text    BigToGB (encode, scan, decode)", big5Bytes.size() / 1e6, bigToGB);
    bench::row("bytes   glibc iconv GB2312 -> BIG5", mb, iconvSec);
    bench::note("  GBToBig vs iconv: %.2fx; iconv could not map %zu codes", iconvSec / gbToBig, failures);
    if (big5Out.size() != gbShown.size())
        bench::note("  !! GBToBig changed the text length");

#ifdef SUBBIG5_HAVE_OPENCC
    // OpenCC converts Unicode text; give it the same characters as UTF-8 (a 10 MB slice:
    // at a few MB/s the whole file would take half a minute per run).
    size_t unused = 0;
    const QByteArray slice = gbBytes.first(std::min<qsizetype>(gbBytes.size(), 10 << 20));
    const std::string utf8 = iconvConvert("GB2312", "UTF-8", slice, &unused).toStdString();
    const opencc::SimpleConverter s2t("s2t.json");
    std::string traditional;
    const double openccSec = bench::bestSeconds(1, [&] { traditional = s2t.Convert(utf8); });
    bench::row("text    OpenCC s2t (10 MB GB2312 slice as UTF-8)", slice.size() / 1e6, openccSec);
#else
    bench::note("  OpenCC not found: s2t not measured");
#endif
}
