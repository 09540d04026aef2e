// SPDX-License-Identifier: GPL-3.0-or-later
// The code page codec against glibc's iconv CP950 and against memcpy, on the same bytes.
#include "bench/bench.h"
#include "convert/codepage.h"

#include <iconv.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

double iconvSeconds(const char* from, const char* to, const QByteArray& in, size_t outCapacity)
{
    // Like the codec, each run writes into a new, untouched buffer.
    return bench::bestSeconds(3, [&] {
        std::unique_ptr<char[]> out(new char[outCapacity]);
        iconv_t cd = iconv_open(to, from);
        char* src = const_cast<char*>(in.constData());
        size_t srcLeft = size_t(in.size());
        char* dst = out.get();
        size_t dstLeft = outCapacity;
        iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        iconv_close(cd);
    });
}

} // namespace

SUBBIG5_BENCH(codec)
{
    const QString text = bench::big5SubtitleText(100 << 20);
    const QByteArray bytes = cp950::encode(text);
    const double mb = bytes.size() / 1e6;
    bench::note("  %.1f MB of Big5 subtitle text (%lld UTF-16 units)", mb, (long long)text.size());

    QString decoded;
    const double dec = bench::bestSeconds(3, [&] { decoded = cp950::decode(bytes); });
    QByteArray encoded;
    const double enc = bench::bestSeconds(3, [&] { encoded = cp950::encode(decoded); });
    if (encoded != bytes || decoded != text)
        bench::note("  !! round trip differs");
    const double iconvDec = iconvSeconds("CP950", "UTF-16LE", bytes, size_t(bytes.size()) * 2 + 16);
    const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const double iconvEnc = iconvSeconds("UTF-16LE", "CP950", utf16, size_t(bytes.size()) + 16);
    std::vector<char> copy(size_t(bytes.size()));
    const double mem = bench::bestSeconds(3, [&] { std::memcpy(copy.data(), bytes.constData(), copy.size()); });

    bench::row("decode  cp950::decode", mb, dec);
    bench::row("decode  glibc iconv CP950 -> UTF-16LE", mb, iconvDec);
    bench::row("encode  cp950::encode", mb, enc);
    bench::row("encode  glibc iconv UTF-16LE -> CP950", mb, iconvEnc);
    bench::row("memcpy of the same bytes", mb, mem);
    bench::note("  ratio vs iconv: decode %.1fx, encode %.1fx", iconvDec / dec, iconvEnc / enc);
}
