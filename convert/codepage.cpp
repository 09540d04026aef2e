#include "convert/codepage.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <array>
#include <memory>
#include <stdexcept>

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

// Reads the mapping out of ICU once. Everything after this is plain table lookups.
std::unique_ptr<Tables> buildTables()
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open("windows-950-2000", &status);
    if (U_FAILURE(status))
        throw std::runtime_error("ICU has no windows-950-2000 converter");
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);

    auto toUnicode = [cnv](const char* in, int len) -> char32_t {
        UChar out[4];
        UErrorCode e = U_ZERO_ERROR;
        ucnv_resetToUnicode(cnv);
        int n = ucnv_toUChars(cnv, out, 4, in, len, &e);
        return (U_SUCCESS(e) && n == 1) ? out[0] : 0;
    };
    auto fromUnicode = [cnv](char16_t c, char* out) -> int {
        UErrorCode e = U_ZERO_ERROR;
        ucnv_resetFromUnicode(cnv);
        const UChar in[1] = {c};
        int n = ucnv_fromUChars(cnv, out, 4, in, 1, &e);
        return U_SUCCESS(e) ? n : 0;
    };

    auto t = std::make_unique<Tables>();
    t->bytes.fill(kNoBytes);
    char16_t nextReserved = kFirstReservedPair;
    std::vector<unsigned> oneWay;

    for (unsigned b = 0; b < 256; ++b) {
        const char in[1] = {char(b)};
        char32_t c = b < 0x80 ? b : toUnicode(in, 1);
        char back[4];
        if (c != 0 && fromUnicode(char16_t(c), back) == 1 && std::uint8_t(back[0]) == b) {
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
            const char32_t c = toUnicode(in, 2);
            char back[4];
            if (c == 0) {
                t->pair[code] = nextReserved++;      // unassigned: A3C0..A3FE but A3E1
            } else if (fromUnicode(char16_t(c), back) == 2 && std::uint8_t(back[0]) == lead
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
    ucnv_close(cnv);
    return t;
}

const Tables& tables()
{
    static const std::unique_ptr<Tables> t = buildTables();
    return *t;
}

// A buffer of a large text is touched page by page as it is written; on Linux, huge
// pages turn tens of thousands of page faults into a few dozen.
void preferHugePages(void* data, qsizetype bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    if (bytes < qsizetype(8 * kHuge))
        return;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + std::uintptr_t(bytes)) & ~(kHuge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
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
    preferHugePages(out.data(), out.size() * 2);
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
    preferHugePages(out.data(), out.size());
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
