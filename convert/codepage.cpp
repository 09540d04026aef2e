// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/codepage.h"
#include "convert/huge_pages.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cstring>


#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <array>
#include <memory>
#include <stdexcept>
#include <unordered_map>

namespace cp950 {
namespace {

constexpr std::uint16_t kNoBytes = 0xFFFF;
constexpr char16_t kFirstReservedPair = 0xF849;
constexpr char32_t kReservedSingleBase = 0x10FF00;

std::uint16_t inMemoryOrder(unsigned code)
{
    const std::uint8_t b[2] = {std::uint8_t(code >> 8), std::uint8_t(code)};
    std::uint16_t v;
    std::memcpy(&v, b, 2);
    return v;
}

bool isTrail(unsigned t) { return (t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE); }

struct Tables {
    std::array<char16_t, 65536> pair{};       // lead<<8|trail -> character; 0: no pair here
    std::array<char32_t, 256> single{};       // a byte that starts no pair
    // BMP character -> its bytes as they lie in memory: one byte (< 0x100), or lead in
    // the low byte and trail in the high byte (>= 0x4000, since trails start at 0x40).
    std::array<std::uint16_t, 65536> bytes{};
    std::array<char16_t, 65536> windowsPair{};// Windows' own reading, reserved pairs included
};

// Windows reads C6A1..C7FC as 249 characters where ICU's windows-950-2000 table has Private Use
// readings. The layout is the published BIG5 mapping's C6A1..C7FC block: runs of consecutive
// code points, laid into the block's cells in code order (trail bytes 0x40..0x7E, 0xA1..0xFE).
// The Cyrillic runs skip А Б В Г Н О П Р С Т, as that block does.
struct BlockRun {
    char16_t first;
    char16_t last;
};
constexpr unsigned kBlockFirst = 0xC6A1, kBlockLast = 0xC7FC;
constexpr BlockRun kBlock[] = {
    {u'ヾ', u'ヾ'}, {u'ゝ', u'ゞ'}, {u'々', u'々'},
    {u'ぁ', u'ん'},                                  // C6A5..C6F7
    {u'ァ', u'ヶ'},                                  // C6F8..C7B0
    {u'Д', u'Е'}, {u'Ё', u'Ё'}, {u'Ж', u'М'}, {u'У', u'Я'},
    {u'а', u'е'}, {u'ё', u'ё'}, {u'ж', u'я'},       // C7C8..C7E8
    {u'①', u'⑩'}, {u'⑴', u'⑽'},                   // C7E9..C7FC
};

// Code page 950 as Windows reads it: ICU's windows-950-2000 and the C6A1..C7FC block.
class Windows950 {
public:
    Windows950()
    {
        UErrorCode status = U_ZERO_ERROR;
        cnv_ = ucnv_open("windows-950-2000", &status);
        if (U_FAILURE(status))
            throw std::runtime_error("ICU has no windows-950-2000 converter");
        ucnv_setToUCallBack(cnv_, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        ucnv_setFromUCallBack(cnv_, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        unsigned code = kBlockFirst;
        for (const BlockRun& run : kBlock) {
            for (char32_t c = run.first; c <= run.last; ++c) {
                blockChar_.emplace(code, char16_t(c));
                blockCode_.emplace(char16_t(c), code);
                code = (code & 0xFF) == 0x7E ? (code & 0xFF00) | 0xA1 : code + 1;
                code = (code & 0xFF) == 0xFF ? (code & 0xFF00) + 0x140 : code;
            }
        }
        if (code != kBlockLast + 1)
            throw std::logic_error("the C6A1..C7FC block does not fill its cells");
    }
    ~Windows950() { ucnv_close(cnv_); }
    Windows950(const Windows950&) = delete;
    Windows950& operator=(const Windows950&) = delete;

    // The character of one or two bytes; 0 when they are not one.
    char32_t toUnicode(const char* in, int len) const
    {
        if (len == 2) {
            const unsigned code = unsigned(std::uint8_t(in[0])) << 8 | std::uint8_t(in[1]);
            if (auto it = blockChar_.find(code); it != blockChar_.end())
                return it->second;
        }
        UChar out[4];
        UErrorCode e = U_ZERO_ERROR;
        ucnv_resetToUnicode(cnv_);
        const int n = ucnv_toUChars(cnv_, out, 4, in, len, &e);
        return (U_SUCCESS(e) && n == 1) ? out[0] : 0;
    }

    // The bytes of c, lead byte first: how many (1 or 2), 0 when c has none. A block
    // character encodes into the block even where ICU knows another code for it, so such a
    // code becomes a second home; ICU's Private Use readings of the block encode to nothing.
    int fromUnicode(char16_t c, char* out) const
    {
        if (auto it = blockCode_.find(c); it != blockCode_.end()) {
            out[0] = char(it->second >> 8);
            out[1] = char(it->second & 0xFF);
            return 2;
        }
        UErrorCode e = U_ZERO_ERROR;
        ucnv_resetFromUnicode(cnv_);
        const UChar in[1] = {c};
        const int n = ucnv_fromUChars(cnv_, out, 4, in, 1, &e);
        if (U_FAILURE(e))
            return 0;
        const unsigned code = n == 2 ? unsigned(std::uint8_t(out[0])) << 8 | std::uint8_t(out[1]) : 0;
        return blockChar_.contains(code) ? 0 : n;
    }

private:
    UConverter* cnv_ = nullptr;
    std::unordered_map<unsigned, char16_t> blockChar_;
    std::unordered_map<char16_t, unsigned> blockCode_;
};

// Reads the mapping once. Everything after this is plain table lookups.
std::unique_ptr<Tables> buildTables()
{
    const Windows950 windows;
    auto t = std::make_unique<Tables>();
    t->bytes.fill(kNoBytes);
    char16_t nextReserved = kFirstReservedPair;
    std::vector<unsigned> oneWay;

    for (unsigned b = 0; b < 256; ++b) {
        const char in[1] = {char(b)};
        char32_t c = b < 0x80 ? b : windows.toUnicode(in, 1);
        char back[4];
        if (c != 0 && windows.fromUnicode(char16_t(c), back) == 1 && std::uint8_t(back[0]) == b) {
            t->single[b] = c;
            t->bytes[c] = b;
        } else {
            t->single[b] = kReservedSingleBase + b;
        }
    }
    t->single[0] = 0;
    t->bytes[0] = 0;

    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (!isTrail(trail))
                continue;
            const unsigned code = lead << 8 | trail;
            const char in[2] = {char(lead), char(trail)};
            const char32_t c = windows.toUnicode(in, 2);
            char back[4];
            if (c == 0) {
                t->pair[code] = nextReserved++;      // unassigned: A3C0..A3FE but A3E1
            } else if (windows.fromUnicode(char16_t(c), back) == 2 && std::uint8_t(back[0]) == lead
                       && std::uint8_t(back[1]) == trail) {
                t->pair[code] = char16_t(c);
                t->bytes[c] = inMemoryOrder(code);
            } else {
                oneWay.push_back(code);               // decodes, but encodes elsewhere
            }
            t->windowsPair[code] = char16_t(c);
        }
    }
    for (unsigned code : oneWay)
        t->pair[code] = nextReserved++;
    for (unsigned code = 0; code < 65536; ++code) {
        if (t->pair[code] >= kFirstReservedPair && t->pair[code] < nextReserved
            && t->bytes[t->pair[code]] == kNoBytes)
            t->bytes[t->pair[code]] = inMemoryOrder(code);
    }
    return t;
}

const Tables& tables()
{
    static const std::unique_ptr<Tables> t = buildTables();
    return *t;
}

// Copies the run of ASCII bytes at p (16 at a time where possible) and returns how
// many it copied. The caller guarantees room for 16 more units at o.
inline qsizetype copyAscii(const std::uint8_t* p, const std::uint8_t* end, char16_t* o, const char16_t* oEnd)
{
    const std::uint8_t* const start = p;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16 && oEnd - o >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned high = unsigned(_mm_movemask_epi8(v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(v, zero));
        if (high != 0) {
            const unsigned n = unsigned(__builtin_ctz(high));
            return (p - start) + n;
        }
        p += 16;
        o += 16;
    }
#endif
    while (p < end && *p < 0x80)
        *o++ = *p++;
    return p - start;
}

} // namespace

QString decode(QByteArrayView in)
{
    const Tables& t = tables();
    const auto* p = reinterpret_cast<const std::uint8_t*>(in.data());
    const auto* const end = p + in.size();
    // Room for one unit per byte (a pair gives one) and a little slack for wide stores.
    QString out;
    out.resize(in.size() + 16);
    convert::preferHugePages(out.data(), out.size() * 2);
    auto* base = reinterpret_cast<char16_t*>(out.data());
    char16_t* o = base;
    const char16_t* oEnd = base + out.size();

    while (p < end) {
        if (*p < 0x80) {
            const qsizetype n = copyAscii(p, end, o, oEnd);
            p += n;
            o += n;
        }
        // A run of pairs, the common case in Chinese text; two at a time where possible.
        while (end - p >= 4 && (p[0] & p[2]) >= 0x80) {
            const char16_t c0 = t.pair[unsigned(p[0]) << 8 | p[1]];
            const char16_t c1 = t.pair[unsigned(p[2]) << 8 | p[3]];
            if (c0 == 0 || c1 == 0)
                break;
            o[0] = c0;
            o[1] = c1;
            o += 2;
            p += 4;
        }
        while (end - p >= 2 && *p >= 0x80) {
            const char16_t c = t.pair[unsigned(*p) << 8 | p[1]];
            if (c == 0)
                break;
            *o++ = c;
            p += 2;
        }
        if (p >= end || *p < 0x80)
            continue;
        // A byte that starts no character.
        const char32_t s = t.single[*p++];
        if (s < 0x10000) {
            *o++ = char16_t(s);
            continue;
        }
        // A surrogate pair takes two units for one byte: make room if the rest might not fit.
        const qsizetype used = o - base;
        if (out.size() - used < (end - p) + 18) {
            out.resize(out.size() + std::max<qsizetype>(in.size() / 8, 64));
            base = reinterpret_cast<char16_t*>(out.data());
            o = base + used;
            oEnd = base + out.size();
        }
        *o++ = char16_t(0xD800 + ((s - 0x10000) >> 10));
        *o++ = char16_t(0xDC00 + ((s - 0x10000) & 0x3FF));
    }
    out.truncate(o - base);
    // A mostly Chinese text needs about half the room reserved; give the rest back.
    if (out.capacity() > out.size() + out.size() / 4 + 64)
        out.squeeze();
    return out;
}

QByteArray encode(QStringView text, std::vector<Unencodable>* misses)
{
    const Tables& t = tables();
    const auto* s = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype n = text.size();
    QByteArray out;
    out.resize(n * 2 + 16);
    convert::preferHugePages(out.data(), out.size());
    auto* const base = reinterpret_cast<std::uint8_t*>(out.data());
    std::uint8_t* o = base;

    qsizetype i = 0;
    while (i < n) {
#if defined(__SSE2__)
        // Eight ASCII units at a time.
        const __m128i high = _mm_set1_epi16(short(0xFF80));
        while (n - i >= 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), _mm_setzero_si128())) != 0xFFFF)
                break;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_packus_epi16(v, v));
            o += 8;
            i += 8;
        }
#endif
        // A run of characters with two-byte codes.
        while (i < n) {
            const std::uint16_t v = t.bytes[s[i]];
            if (v < 0x4000 || v == kNoBytes)
                break;
            std::memcpy(o, &v, 2);
            o += 2;
            ++i;
        }
        if (i >= n)
            break;
        const char16_t c = s[i];
        if (c < 0xD800 || c > 0xDFFF) {
            const std::uint16_t v = t.bytes[c];
            if (v < 0x100) {
                *o++ = std::uint8_t(v);
            } else if (v != kNoBytes) {
                std::memcpy(o, &v, 2);
                o += 2;
            } else {
                if (misses)
                    misses->push_back({i, 1, o - base});
                *o++ = '?';
            }
            ++i;
            continue;
        }
        // Surrogates: only the reserved lone-byte code points encode.
        if (c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            if (cp > kReservedSingleBase && cp - kReservedSingleBase < 0xFF
                && t.single[cp - kReservedSingleBase] == cp) {
                *o++ = std::uint8_t(cp - kReservedSingleBase);
            } else {
                if (misses)
                    misses->push_back({i, 2, o - base});
                *o++ = '?';
            }
            i += 2;
            continue;
        }
        if (misses)
            misses->push_back({i, 1, o - base});
        *o++ = '?';
        ++i;
    }
    out.truncate(o - base);
    return out;
}

bool canEncode(QStringView text)
{
    std::vector<Unencodable> misses;
    encode(text, &misses);
    return misses.empty();
}

char32_t decodePair(std::uint8_t lead, std::uint8_t trail)
{
    return tables().windowsPair[unsigned(lead) << 8 | trail];
}

} // namespace cp950
