// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/pair_scan.h"

#include "convert/tables.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace modBig2GB {
namespace {

// Per lead byte, the index of (lead, 0) in the flattened table, so a cell is one add away.
// Lead 0xFF is never looked up: such pairs pass through unchanged.
using RowOffsets = std::array<int, 256>;

constexpr RowOffsets bigRowOffsets()
{
    RowOffsets offsets{};
    for (unsigned lead = kBigFirstLead; lead < kBigLastLead; ++lead)
        offsets[lead] = int((lead - kBigFirstLead) * (kBigLastTrail - kBigFirstTrail + 1)) - int(kBigFirstTrail);
    return offsets;
}

constexpr RowOffsets gbRowOffsets()
{
    RowOffsets offsets{};
    for (unsigned lead = 0xA1; lead < kGBLastKey; ++lead)
        offsets[lead] = int((gbRowKey(lead) - kGBFirstKey) * (kGBLastTrail - kGBFirstTrail + 1)) - int(kGBFirstTrail);
    return offsets;
}

constexpr RowOffsets kBigRows = bigRowOffsets();
constexpr RowOffsets kGBRows = gbRowOffsets();

struct Direction {
    const Cell* cells;
    const int* rows;
    unsigned minTrail;
};

// Counts a pair about to become `cell` when it blanks a character (GB2312 direction only).
template <bool kCount>
inline void countBlank(const std::uint8_t* at, const Cell& cell, const std::uint8_t* base, GbScanCounts* counts)
{
    if constexpr (kCount) {
        if (cell.first == 0xA1 && cell.second == 0x40 && (at[0] != 0xA1 || at[1] != 0xA1)) {
            if (counts->blanked++ == 0)
                counts->firstBlank = at - base;
        }
    }
}

template <bool kCount>
inline void convertPair(std::uint8_t* at, const Direction& d, const std::uint8_t* base, GbScanCounts* counts)
{
    const unsigned first = at[0];
    const unsigned second = at[1];
    if (first != 0xFF && second != 0xFF) {   // outside both tables: the pair passes unchanged
        const Cell& cell = d.cells[d.rows[first] + second];
        countBlank<kCount>(at, cell, base, counts);
        std::memcpy(at, &cell, 2);
    }
}

// Byte by byte, for the tail and for machines without SSE2. Returns where the scan stopped:
// n, or n - 1 when the last byte stands at a pair boundary (it is copied unchanged).
template <bool kCount>
qsizetype scanScalar(std::uint8_t* p, qsizetype i, qsizetype n, const Direction& d, GbScanCounts* counts)
{
    while (i + 1 < n) {
        if (p[i] < 0xA1 || p[i + 1] < d.minTrail) {
            ++i;
            continue;
        }
        convertPair<kCount>(p + i, d, p, counts);
        i += 2;
    }
    return i;
}

// How many bytes are final if more may follow: all, or all but a last byte that could
// still start a pair with the next one.
qsizetype settled(const std::uint8_t* p, qsizetype stop, qsizetype n)
{
    return stop == n - 1 && p[n - 1] >= 0xA1 ? n - 1 : n;
}

#if defined(__SSE2__)
// Line feeds among the 64 bytes at p.
inline int lineFeeds(const std::uint8_t* p)
{
    const __m128i lf = _mm_set1_epi8('\n');
    std::uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        mask |= std::uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, lf)))) << (16 * k);
    }
    return __builtin_popcountll(mask);
}

// Bit k set when byte k of the 64 at p is above `floor` (unsigned compare).
inline std::uint64_t bytesAbove(const std::uint8_t* p, unsigned floor)
{
    const __m128i bias = _mm_set1_epi8(char(0x80));
    const __m128i limit = _mm_set1_epi8(char(floor ^ 0x80));
    std::uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k)), bias);
        mask |= std::uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpgt_epi8(x, limit)))) << (16 * k);
    }
    return mask;
}

// The pair starts of one 64-byte block. A run of bytes >= 0xA1 always begins at a pair
// boundary (the byte before it can start no pair), so inside a run pairs start at even
// offsets from the run's start; `consumed` carries a pair that straddles the previous block.
inline std::uint64_t pairStarts(std::uint64_t lead, std::uint64_t trail, bool nextIsTrail, bool consumed)
{
    constexpr std::uint64_t kEvenBits = 0x5555555555555555ULL;
    std::uint64_t runStarts = lead & ~(lead << 1);
    if (consumed)
        runStarts &= ~std::uint64_t(1);   // byte 0 is a second byte: its run is "odd"
    // Adding a run's start bit carries through the whole run: this clears exactly the runs
    // that start at an even position.
    const std::uint64_t evenRuns = lead & ~(lead + (runStarts & kEvenBits));
    const std::uint64_t atEvenOffset = (evenRuns & kEvenBits) | (lead & ~evenRuns & ~kEvenBits);
    return atEvenOffset & ((trail >> 1) | (std::uint64_t(nextIsTrail) << 63));
}

template <unsigned kMinTrail, bool kCount = false>
qsizetype scan(std::uint8_t* p, qsizetype n, const Direction& d, GbScanCounts* counts = nullptr)
{
    const Cell* const cells = d.cells;
    const int* const rows = d.rows;
    qsizetype i = 0;
    bool consumed = false;   // p[i] is the second byte of a pair begun before it
    for (; i + 64 < n; i += 64) {
        if constexpr (kCount)
            counts->lineFeeds += lineFeeds(p + i);
        const std::uint64_t lead = bytesAbove(p + i, 0xA0);
        if (lead == 0) {
            consumed = false;
            continue;
        }
        const std::uint64_t trail = kMinTrail == 0xA1 ? lead : bytesAbove(p + i, kMinTrail - 1);
        std::uint64_t starts = pairStarts(lead, trail, p[i + 64] >= kMinTrail, consumed);
        consumed = starts >> 63;
        if ((bytesAbove(p + i, 0xFE) | (p[i + 64] == 0xFF)) == 0) {
            for (; starts; starts &= starts - 1) {   // the common case: no 0xFF to step around
                std::uint8_t* at = p + i + __builtin_ctzll(starts);
                const Cell& cell = cells[rows[at[0]] + at[1]];
                countBlank<kCount>(at, cell, p, counts);
                std::memcpy(at, &cell, 2);
            }
        } else {
            for (; starts; starts &= starts - 1)
                convertPair<kCount>(p + i + __builtin_ctzll(starts), d, p, counts);
        }
    }
    if constexpr (kCount)
        counts->lineFeeds += std::count(p + i, p + n, std::uint8_t('\n'));
    return settled(p, scanScalar<kCount>(p, consumed ? i + 1 : i, n, d, counts), n);
}
#else
template <unsigned kMinTrail, bool kCount = false>
qsizetype scan(std::uint8_t* p, qsizetype n, const Direction& d, GbScanCounts* counts = nullptr)
{
    if constexpr (kCount)
        counts->lineFeeds += std::count(p, p + n, std::uint8_t('\n'));
    return settled(p, scanScalar<kCount>(p, 0, n, d, counts), n);
}
#endif

} // namespace

qsizetype scanBigPairs(std::uint8_t* bytes, qsizetype size)
{
    return scan<kBigFirstTrail>(bytes, size, {&BigStr[0][0], kBigRows.data(), kBigFirstTrail});
}

qsizetype scanGBPairs(std::uint8_t* bytes, qsizetype size)
{
    return scan<kGBFirstTrail>(bytes, size, {&GBStr[0][0], kGBRows.data(), kGBFirstTrail});
}

qsizetype scanGBPairs(std::uint8_t* bytes, qsizetype size, GbScanCounts* counts)
{
    return scan<kGBFirstTrail, true>(bytes, size, {&GBStr[0][0], kGBRows.data(), kGBFirstTrail}, counts);
}

} // namespace modBig2GB
