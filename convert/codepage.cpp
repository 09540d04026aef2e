#include "convert/codepage.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

namespace cp950 {
namespace {

constexpr std::uint16_t kNoBytes = 0xFFFF;
constexpr char16_t kFirstReservedPair = 0xF849;
constexpr char32_t kReservedSingleBase = 0x10FF00;

bool isTrail(unsigned t) { return (t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE); }

struct Tables {
    std::array<char16_t, 65536> pair{};       // lead<<8|trail -> character; 0: no pair here
    std::array<char32_t, 256> single{};       // a byte that starts no pair
    std::array<std::uint16_t, 65536> bytes{}; // BMP character -> code (< 0x100: one byte)
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
                t->bytes[c] = std::uint16_t(code);
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
            t->bytes[t->pair[code]] = std::uint16_t(code);
    }
    ucnv_close(cnv);
    return t;
}

const Tables& tables()
{
    static const std::unique_ptr<Tables> t = buildTables();
    return *t;
}

} // namespace

QString decode(QByteArrayView in)
{
    const Tables& t = tables();
    const auto* p = reinterpret_cast<const std::uint8_t*>(in.data());
    const auto* const end = p + in.size();
    QString out;
    out.resize(in.size());
    char16_t* o = reinterpret_cast<char16_t*>(out.data());

    while (p < end) {
        const std::uint8_t b = *p;
        if (b < 0x80) {
            *o++ = b;
            ++p;
            continue;
        }
        if (p + 1 < end) {
            const char16_t c = t.pair[unsigned(b) << 8 | p[1]];
            if (c) {
                *o++ = c;
                p += 2;
                continue;
            }
        }
        const char32_t s = t.single[b];
        ++p;
        if (s < 0x10000) {
            *o++ = char16_t(s);
            continue;
        }
        // A surrogate pair takes two units for one byte: make room if the rest might not fit.
        qsizetype used = o - reinterpret_cast<char16_t*>(out.data());
        if (out.size() - used < (end - p) + 2) {
            out.resize(out.size() + std::max<qsizetype>(in.size() / 8, 64));
            o = reinterpret_cast<char16_t*>(out.data()) + used;
        }
        *o++ = char16_t(0xD800 + ((s - 0x10000) >> 10));
        *o++ = char16_t(0xDC00 + ((s - 0x10000) & 0x3FF));
    }
    out.truncate(o - reinterpret_cast<char16_t*>(out.data()));
    return out;
}

QByteArray encode(QStringView text, std::vector<Unencodable>* misses)
{
    const Tables& t = tables();
    const auto* s = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype n = text.size();
    QByteArray out;
    out.resize(n * 2);
    auto* const base = reinterpret_cast<std::uint8_t*>(out.data());
    std::uint8_t* o = base;

    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            *o++ = std::uint8_t(c);
            continue;
        }
        if (c < 0xD800 || c > 0xDFFF) {
            const std::uint16_t v = t.bytes[c];
            if (v < 0x100) {
                *o++ = std::uint8_t(v);
                continue;
            }
            if (v != kNoBytes) {
                *o++ = std::uint8_t(v >> 8);
                *o++ = std::uint8_t(v);
                continue;
            }
            if (misses)
                misses->push_back({i, 1, o - base});
            *o++ = '?';
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
            ++i;
            continue;
        }
        if (misses)
            misses->push_back({i, 1, o - base});
        *o++ = '?';
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
