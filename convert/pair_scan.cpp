// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/pair_scan.h"

#include "convert/tables.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

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
    const std::uint16_t* pairs = nullptr;   // GB2312 direction, on long inputs: see PairCells
};

// The GBStr cells by both bytes of a pair as they lie in memory, read as one 16-bit number; a
// pair that holds 0xFF maps to itself. One look-up a pair instead of a row and a cell, and no
// test for 0xFF. Only the pairs whose bytes are both 0xA1 or more are filled (those the scan
// converts), so building it is quick and it touches a few cache lines a row. Built per call
// from the loaded table, so it never goes stale.
class PairCells {
public:
    static std::uint16_t key(const std::uint8_t* at)
    {
        std::uint16_t k;
        std::memcpy(&k, at, 2);
        return k;
    }

    PairCells() : cells_(new std::uint16_t[65536])
    {
        for (unsigned lead = 0xA1; lead <= 0xFF; ++lead) {
            for (unsigned trail = 0xA1; trail <= 0xFF; ++trail) {
                const std::uint8_t bytes[2] = {std::uint8_t(lead), std::uint8_t(trail)};
                Cell cell{bytes[0], bytes[1]};
                if (lead != 0xFF && trail != 0xFF)
                    cell = gbCell(gbRowKey(lead), trail);
                std::memcpy(&cells_[key(bytes)], &cell, 2);
            }
        }
    }
    const std::uint16_t* data() const { return cells_.get(); }

private:
    std::unique_ptr<std::uint16_t[]> cells_;
};

// The ideographic space, Big5 A1 40, as a PairCells entry.
constexpr std::uint16_t kBlankCell = std::endian::native == std::endian::little ? 0x40A1 : 0xA140;

// Below this a scan is too short to pay for building PairCells.
constexpr qsizetype kPairCellsFrom = 16 * 1024;

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
// The 64 bytes at p, loaded once for all the masks a block needs.
struct Block {
    __m128i v[4];

    explicit Block(const std::uint8_t* p)
    {
        for (int k = 0; k < 4; ++k)
            v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    }

    // Bit k set when byte k is above `floor` (unsigned compare).
    std::uint64_t above(unsigned floor) const
    {
        const __m128i bias = _mm_set1_epi8(char(0x80));
        const __m128i limit = _mm_set1_epi8(char(floor ^ 0x80));
        std::uint64_t mask = 0;
        for (int k = 0; k < 4; ++k)
            mask |= std::uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpgt_epi8(_mm_xor_si128(v[k], bias), limit))))
                    << (16 * k);
        return mask;
    }

    // Bit k set when byte k is 0x80 or more.
    std::uint64_t high() const
    {
        std::uint64_t mask = 0;
        for (int k = 0; k < 4; ++k)
            mask |= std::uint64_t(unsigned(_mm_movemask_epi8(v[k]))) << (16 * k);
        return mask;
    }
};

// Line feeds, counted in byte lanes and summed every 63 blocks (each lane gains at most 4 a
// block), which is cheaper than a population count where the machine has no instruction for it.
class LineFeeds {
public:
    void add(const Block& b)
    {
        const __m128i lf = _mm_set1_epi8('\n');
        for (int k = 0; k < 4; ++k)
            lanes_ = _mm_sub_epi8(lanes_, _mm_cmpeq_epi8(b.v[k], lf));
        if (++blocks_ == 63)
            flush();
    }

    qsizetype total()
    {
        flush();
        return total_;
    }

private:
    void flush()
    {
        const __m128i sums = _mm_sad_epu8(lanes_, _mm_setzero_si128());
        total_ += qsizetype(_mm_cvtsi128_si32(sums)) + qsizetype(_mm_extract_epi16(sums, 4));
        lanes_ = _mm_setzero_si128();
        blocks_ = 0;
    }

    __m128i lanes_ = _mm_setzero_si128();
    int blocks_ = 0;
    qsizetype total_ = 0;
};

// The leads that stand at a pair boundary in one 64-byte block. A run of bytes >= 0xA1 always
// begins at a pair boundary (the byte before it can start no pair), so inside a run pairs start
// at even offsets from the run's start; `consumed` carries a pair that straddles the previous
// block.
inline std::uint64_t atBoundary(std::uint64_t lead, bool consumed)
{
    constexpr std::uint64_t kEvenBits = 0x5555555555555555ULL;
    std::uint64_t runStarts = lead & ~(lead << 1);
    if (consumed)
        runStarts &= ~std::uint64_t(1);   // byte 0 is a second byte: its run is "odd"
    // Adding a run's start bit carries through the whole run: this clears exactly the runs
    // that start at an even position.
    const std::uint64_t evenRuns = lead & ~(lead + (runStarts & kEvenBits));
    return (evenRuns & kEvenBits) | (lead & ~evenRuns & ~kEvenBits);
}

// The pair starts among those: a boundary lead followed by a trail.
inline std::uint64_t pairStarts(std::uint64_t boundary, std::uint64_t trail, bool nextIsTrail)
{
    return boundary & ((trail >> 1) | (std::uint64_t(nextIsTrail) << 63));
}

// In a block of ASCII and 0xA1..0xFE only, GBK reads the pairs GB2312 reads; the one place it
// reads another is a lead left alone by GB2312 before a byte 0x40..0xA0, which GBK takes as a
// GBK-only pair. A byte 0x80..0xA0 or 0xFF anywhere may start one.
inline bool mayHoldGbkPair(const Block& b, const std::uint8_t* p, std::uint64_t lead, std::uint64_t starts,
                           std::uint64_t boundary)
{
    if (((b.high() & ~lead) | b.above(0xFE)) != 0)
        return true;
    for (std::uint64_t alone = boundary & ~starts; alone; alone &= alone - 1) {
        const unsigned next = p[__builtin_ctzll(alone) + 1];
        if (next >= 0x40 && next < 0xA1 && next != 0x7F)
            return true;
    }
    return false;
}

// kStop: stop before the first block that may hold a GBK-only pair, or at the last 64 bytes,
// and return where (with *stoppedConsumed); else scan to the end and return the settled bytes.
template <unsigned kMinTrail, bool kCount = false, bool kStop = false>
qsizetype scan(std::uint8_t* p, qsizetype n, const Direction& d, GbScanCounts* counts = nullptr, qsizetype from = 0,
               bool consumed = false, bool* stoppedConsumed = nullptr)
{
    const Cell* const cells = d.cells;
    const int* const rows = d.rows;
    const std::uint16_t* const pairs = d.pairs;
    qsizetype i = from;   // consumed: p[i] is the second byte of a pair begun before it
    LineFeeds lineFeeds;
    for (; i + 64 < n; i += 64) {
        const Block block(p + i);
        const std::uint64_t lead = block.above(0xA0);
        if (lead == 0) {
            if (kStop && block.high() != 0)
                break;   // bytes 0x80..0xA0
            if constexpr (kCount)
                lineFeeds.add(block);
            consumed = false;
            continue;
        }
        const std::uint64_t trail = kMinTrail == 0xA1 ? lead : block.above(kMinTrail - 1);
        const std::uint64_t boundary = atBoundary(lead, consumed);
        std::uint64_t starts = pairStarts(boundary, trail, p[i + 64] >= kMinTrail);
        if constexpr (kStop) {
            if (mayHoldGbkPair(block, p + i, lead, starts, boundary))
                break;
        }
        if constexpr (kCount)
            lineFeeds.add(block);
        consumed = starts >> 63;
        if (pairs != nullptr) {
            for (; starts; starts &= starts - 1) {
                std::uint8_t* at = p + i + __builtin_ctzll(starts);
                const std::uint16_t cell = pairs[PairCells::key(at)];
                if (kCount && cell == kBlankCell) [[unlikely]]
                    countBlank<kCount>(at, Cell{0xA1, 0x40}, p, counts);
                std::memcpy(at, &cell, 2);
            }
        } else if ((block.above(0xFE) | (p[i + 64] == 0xFF)) == 0) {
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
        counts->lineFeeds += lineFeeds.total();
    if constexpr (kStop) {
        *stoppedConsumed = consumed;
        return i;
    }
    if constexpr (kCount)
        counts->lineFeeds += std::count(p + i, p + n, std::uint8_t('\n'));
    return settled(p, scanScalar<kCount>(p, consumed ? i + 1 : i, n, d, counts), n);
}
#else
template <unsigned kMinTrail, bool kCount = false, bool kStop = false>
qsizetype scan(std::uint8_t* p, qsizetype n, const Direction& d, GbScanCounts* counts = nullptr, qsizetype from = 0,
               bool consumed = false, bool* stoppedConsumed = nullptr)
{
    if constexpr (kStop) {
        *stoppedConsumed = consumed;
        return from;
    }
    if constexpr (kCount)
        counts->lineFeeds += std::count(p + from, p + n, std::uint8_t('\n'));
    return settled(p, scanScalar<kCount>(p, consumed ? from + 1 : from, n, d, counts), n);
}
#endif

} // namespace

qsizetype scanBigPairs(std::uint8_t* bytes, qsizetype size)
{
    return scan<kBigFirstTrail>(bytes, size, {&BigStr[0][0], kBigRows.data(), kBigFirstTrail});
}

namespace {

Direction gbDirection(const PairCells* pairs)
{
    return {&GBStr[0][0], kGBRows.data(), kGBFirstTrail, pairs ? pairs->data() : nullptr};
}

} // namespace

qsizetype scanGBPairs(std::uint8_t* bytes, qsizetype size)
{
    if (size < kPairCellsFrom)
        return scan<kGBFirstTrail>(bytes, size, gbDirection(nullptr));
    const PairCells pairs;
    return scan<kGBFirstTrail>(bytes, size, gbDirection(&pairs));
}

qsizetype scanGBPairs(std::uint8_t* bytes, qsizetype size, GbScanCounts* counts)
{
    if (size < kPairCellsFrom)
        return scan<kGBFirstTrail, true>(bytes, size, gbDirection(nullptr), counts);
    const PairCells pairs;
    return scan<kGBFirstTrail, true>(bytes, size, gbDirection(&pairs), counts);
}

qsizetype scanGBPairsWhileGb2312(std::uint8_t* bytes, qsizetype size, GbScanCounts* counts, bool* consumed)
{
    if (size < kPairCellsFrom)
        return scan<kGBFirstTrail, true, true>(bytes, size, gbDirection(nullptr), counts, 0, false, consumed);
    const PairCells pairs;
    return scan<kGBFirstTrail, true, true>(bytes, size, gbDirection(&pairs), counts, 0, false, consumed);
}

qsizetype scanGBPairsFrom(std::uint8_t* bytes, qsizetype size, qsizetype from, bool consumed, GbScanCounts* counts)
{
    if (size - from < kPairCellsFrom)
        return scan<kGBFirstTrail, true>(bytes, size, gbDirection(nullptr), counts, from, consumed);
    const PairCells pairs;
    return scan<kGBFirstTrail, true>(bytes, size, gbDirection(&pairs), counts, from, consumed);
}

} // namespace modBig2GB
