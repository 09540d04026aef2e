// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/char_conversion.h"

#include "convert/huge_pages.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Written at build time by subbig5-charmaps (tools/charmaps) from the conversion tables and
// ICU's code pages: for every BMP character, what a conversion makes of it; 0 where it stays.
namespace modBig2GB::maps {
extern const char16_t kGbToBig[65536];
extern const char16_t kBigToGB[65536];
} // namespace modBig2GB::maps

namespace {

constexpr char16_t kIdeographicSpace = 0x3000;

// For every BMP character, what a conversion makes of it; 0 where it stays as it is.
using CharMap = char16_t[65536];

// Maps the units of `text` in place (a unit is read before it is written, so the same buffer
// serves as input and output).
template <class OnChange>
void mapUnits(const char16_t* in, char16_t* out, qsizetype n, const CharMap& map, OnChange onChange)
{
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        const char16_t r = c < 0x80 ? 0 : map[c];
        out[i] = r ? r : c;
        if (r)
            onChange(i, c, r);
    }
}

template <class OnChange>
QString mapText(QStringView text, const CharMap& map, OnChange onChange)
{
    QString out(text.size(), Qt::Uninitialized);
    mapUnits(reinterpret_cast<const char16_t*>(text.data()), reinterpret_cast<char16_t*>(out.data()), text.size(),
             map, onChange);
    return out;
}

const CharMap& gbToBigMap()
{
    return modBig2GB::maps::kGbToBig;
}

} // namespace

namespace modBig2GB {

QString gbToBigText(QStringView text, GbFindings* findings)
{
    QString out = text.toString();
    gbToBigInPlace(out, findings);
    return out;
}

void gbToBigInPlace(QString& text, GbFindings* findings)
{
    const CharMap& map = gbToBigMap();
    char16_t* units = reinterpret_cast<char16_t*>(text.data());
    if (!findings) {
        mapUnits(units, units, text.size(), map, [](qsizetype, char16_t, char16_t) {});
        return;
    }
    qsizetype firstBlank = -1;
    mapUnits(units, units, text.size(), map, [&](qsizetype i, char16_t from, char16_t to) {
        if (to == kIdeographicSpace && from != kIdeographicSpace && findings->blanked++ == 0)
            firstBlank = i;
    });
    if (firstBlank >= 0)   // the line ends are untouched, so the converted text counts the same lines
        findings->blankedLine = lineNumberAt(text, firstBlank);
}

QString bigToGBText(QStringView text)
{
    return mapText(text, maps::kBigToGB, [](qsizetype, char16_t, char16_t) {});
}

bool gbToBigFromUtf8(QByteArrayView bytes, QString& text, GbFindings* findings)
{
    const char16_t* const map = gbToBigMap();
    // No more units than bytes: every sequence of n bytes gives at most n units.
    QString out(bytes.size(), Qt::Uninitialized);
    convert::preferHugePages(out.data(), out.size() * 2);
    char16_t* const first = reinterpret_cast<char16_t*>(out.data());
    char16_t* o = first;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = p + bytes.size();
    qsizetype blanked = 0;
    qsizetype firstBlank = -1;
    const auto put = [&](char16_t c) {
        const char16_t r = map[c];
        if (r == kIdeographicSpace && c != kIdeographicSpace && blanked++ == 0)
            firstBlank = o - first;
        *o++ = r ? r : c;
    };
    const auto continuation = [](std::uint8_t b) { return (b & 0xC0) == 0x80; };
    // Where subtitle markup may start, as subtitle::mayHoldTags sees it: '<', or '{' before '\\'
    // (both ASCII, so a byte is a unit).
    const auto mayStartTag = [end](const std::uint8_t* at) {
        return *at == '<' || (*at == '{' && at + 1 < end && at[1] == '\\');
    };
    // One sequence of two or more bytes at p (which has at least `left` bytes): its length,
    // or 0 for anything but a well-formed character below U+F0000 that is no noncharacter.
    const auto multiByte = [&](qsizetype left) -> int {
        const unsigned b = *p;
        char32_t c;
        int n;
        if (b >= 0xE0 && b <= 0xEF) {
            if (left < 3 || !continuation(p[1]) || !continuation(p[2]))
                return 0;
            c = (b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F);
            if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))
                return 0;
            n = 3;
        } else if (b >= 0xC2 && b <= 0xDF) {
            if (left < 2 || !continuation(p[1]))
                return 0;
            c = (b & 0x1F) << 6 | (p[1] & 0x3F);
            n = 2;
        } else if (b >= 0xF0 && b <= 0xF4) {
            if (left < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3]))
                return 0;
            c = (b & 0x07) << 18 | (p[1] & 0x3F) << 12 | (p[2] & 0x3F) << 6 | (p[3] & 0x3F);
            if (c < 0x10000 || c >= 0xF0000)
                return 0;
            n = 4;
        } else {
            return 0;
        }
        if ((c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE)
            return 0;   // a noncharacter: left to the decoder's own rules
        if (c >= 0x10000) {
            // Mapped unit by unit, as gbToBigInPlace maps the decoded text.
            put(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            put(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            put(char16_t(c));
        }
        return n;
    };
#if defined(__SSE2__)
    // Sixteen bytes at a time: widened whole, then kept up to the first byte of 0x80 or more
    // (the units past it are written over; there is room, as o never runs ahead of p).
    const __m128i zero = _mm_setzero_si128();
    const __m128i lessThan = _mm_set1_epi8('<');
    const __m128i brace = _mm_set1_epi8('{');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(v, zero));
        const unsigned high = unsigned(_mm_movemask_epi8(v));
        const int ascii = high == 0 ? 16 : __builtin_ctz(high);
        const unsigned marks =
            unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lessThan), _mm_cmpeq_epi8(v, brace))))
            & ((1u << ascii) - 1);
        if (marks != 0) {
            for (int i = 0; i < ascii; ++i) {
                if (mayStartTag(p + i))
                    return false;
            }
        }
        p += ascii;
        o += ascii;
        if (ascii == 16)
            continue;
        // The characters from there on, while they last.
        while (end - p >= 4 && *p >= 0x80) {
            const int n = multiByte(4);
            if (n == 0)
                return false;
            p += n;
        }
    }
#endif
    while (p < end) {
        if (*p < 0x80) {
            if (mayStartTag(p))
                return false;
            *o++ = char16_t(*p++);
            continue;
        }
        const int n = multiByte(end - p);
        if (n == 0)
            return false;
        p += n;
    }
    out.truncate(o - first);
    if (findings) {
        const qsizetype before = findings->blanked;
        findings->blanked += blanked;
        if (before == 0 && firstBlank >= 0)
            findings->blankedLine = lineNumberAt(out, firstBlank);
    }
    text = std::move(out);
    return true;
}

} // namespace modBig2GB
