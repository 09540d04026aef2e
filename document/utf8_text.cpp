// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/utf8_text.h"

#include "convert/huge_pages.h"
#include "document/reserved_code_points.h"

#include <QStringDecoder>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace document::utf8 {

using reserved::appendCodePoint;
using reserved::isReserved;
using reserved::kRawByteBase;

namespace {

// Number of leading ASCII bytes of [p, end).
qsizetype asciiRun(const std::uint8_t* p, const std::uint8_t* end)
{
    const std::uint8_t* const start = p;
#if defined(__SSE2__)
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int high = _mm_movemask_epi8(v);
        if (high != 0)
            return (p - start) + __builtin_ctz(unsigned(high));
        p += 16;
    }
#endif
    while (p < end && *p < 0x80)
        ++p;
    return p - start;
}

// Length of the well-formed UTF-8 sequence at p (2 to 4), or 0 when the byte there starts
// none. A sequence for a reserved code point counts as not well formed, so its bytes are
// kept as raw bytes and written back as they were.
int utf8Sequence(const std::uint8_t* p, const std::uint8_t* end)
{
    const unsigned b0 = p[0];
    const auto cont = [&](int i) { return end - p > i && (p[i] & 0xC0) == 0x80; };
    if (b0 >= 0xC2 && b0 <= 0xDF)
        return cont(1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (!cont(1) || !cont(2))
            return 0;
        if ((b0 == 0xE0 && p[1] < 0xA0) || (b0 == 0xED && p[1] >= 0xA0))
            return 0;   // overlong, or a surrogate
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3))
            return 0;
        if ((b0 == 0xF0 && p[1] < 0x90) || (b0 == 0xF4 && p[1] >= 0x90))
            return 0;   // overlong, or beyond U+10FFFF
        const char32_t c = (char32_t(b0 & 7) << 18) | (char32_t(p[1] & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6)
                           | char32_t(p[3] & 0x3F);
        return isReserved(c) ? 0 : 4;
    }
    return 0;
}

// QString::fromUtf8 drops byte-order marks at the start of what it is given; here a mark is
// part of the text (a file read as UTF-8 without one, or a stretch after a stray byte).
QString fromUtf8KeepingMark(QByteArrayView bytes, bool* hadError = nullptr)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    QString text(decoder.requiredSpace(bytes.size()), Qt::Uninitialized);
    convert::preferHugePages(text.data(), text.size() * 2);
    const QChar* end = decoder.appendToBuffer(text.data(), bytes);
    text.truncate(end - text.constData());
    if (hadError)
        *hadError = decoder.hasError();
    return text;
}

// True when the text holds a code point of the last planes (U+F0000 on), where the reserved
// ones lie: a valid file that holds one is read again byte by byte.
bool reachesReservedPlanes(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0xDB80 && c.unicode() <= 0xDBFF; });
}

} // namespace

bool startsTruncatedSequence(const std::uint8_t* p, const std::uint8_t* end)
{
    const unsigned b0 = p[0];
    const int length = b0 >= 0xC2 && b0 <= 0xDF ? 2 : b0 >= 0xE0 && b0 <= 0xEF ? 3 : b0 >= 0xF0 && b0 <= 0xF4 ? 4 : 0;
    if (length == 0 || end - p >= length)
        return false;
    for (const std::uint8_t* q = p + 1; q < end; ++q) {
        if ((*q & 0xC0) != 0x80)
            return false;
    }
    return true;
}

const std::uint8_t* walk(const std::uint8_t* p, const std::uint8_t* end, qsizetype enough, qsizetype* multiByte)
{
    while (p < end) {
        p += asciiRun(p, end);
        if (p >= end)
            break;
        const int n = utf8Sequence(p, end);
        if (n == 0)
            return p;
        if (*multiByte < enough)
            ++*multiByte;
        p += n;
    }
    return end;
}

bool readsAsDoubleByte(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        if (*p == 0x80 || *p == 0xFF || end - p < 2)
            return false;
        const unsigned t = p[1];
        if (!((t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE)))
            return false;
        p += 2;
    }
    return true;
}

QString decode(QByteArrayView bytes)
{
    // The usual file is valid UTF-8: one pass through Qt's decoder.
    bool hadError = false;
    QString text = fromUtf8KeepingMark(bytes, &hadError);
    if (!hadError && !reachesReservedPlanes(text))
        return text;
    // Valid stretches as they are, each other byte as its reserved code point.
    QString out;
    out.reserve(bytes.size());
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* p = begin;
    const auto* const end = p + bytes.size();
    const auto* run = p;
    while (p < end) {
        p += asciiRun(p, end);
        if (p >= end)
            break;
        if (const int n = utf8Sequence(p, end)) {
            p += n;
            continue;
        }
        out += fromUtf8KeepingMark(bytes.sliced(run - begin, p - run));
        appendCodePoint(out, kRawByteBase + *p);
        run = ++p;
    }
    out += fromUtf8KeepingMark(bytes.sliced(run - begin));
    return out;
}

} // namespace document::utf8
