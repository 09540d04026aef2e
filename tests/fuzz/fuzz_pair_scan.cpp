// SPDX-License-Identifier: GPL-3.0-or-later
// Both pair scans (64 bytes at a time where the machine allows) against a plain byte-by-byte
// scan written from their contract, at every alignment of the buffer.
#include "convert/pair_scan.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstring>
#include <vector>

namespace {

using modBig2GB::Cell;

// A pair is a byte from 0xA1 followed by a byte from `minTrail`; it is replaced by its table
// cell unless either byte is 0xFF, and the scan goes on after it. Other bytes stay. On GB2312,
// `counts` receives the line feeds and the pairs that became the ideographic space.
void referenceScan(std::uint8_t* p, std::size_t n, bool big, modBig2GB::GbScanCounts* counts)
{
    for (std::size_t k = 0; k < n; ++k)
        counts->lineFeeds += p[k] == '\n';
    const unsigned minTrail = big ? 0x40 : 0xA1;
    std::size_t i = 0;
    while (i + 1 < n) {
        const unsigned first = p[i], second = p[i + 1];
        if (first < 0xA1 || second < minTrail) {
            ++i;
            continue;
        }
        if (first != 0xFF && second != 0xFF) {
            const Cell& c = big ? modBig2GB::bigCell(first, second)
                                : modBig2GB::gbCell(modBig2GB::gbRowKey(first), second);
            if (!big && c.first == 0xA1 && c.second == 0x40 && (first != 0xA1 || second != 0xA1)
                && counts->blanked++ == 0)
                counts->firstBlank = qsizetype(i);
            p[i] = c.first;
            p[i + 1] = c.second;
        }
        i += 2;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::loadTables();
    fuzz::Reader reader(data, size);
    const std::uint8_t first = reader.byte();
    const std::size_t shift = first % 64;
    // Bit 6: the bytes repeated past 16 KB, where the GB2312 scan reads whole pairs from a table.
    std::vector<std::uint8_t> bytes(reader.rest(), reader.rest() + reader.left());
    if ((first & 0x40) && !bytes.empty()) {
        const std::size_t unit = bytes.size();
        while (bytes.size() <= 16 * 1024)
            bytes.insert(bytes.end(), bytes.begin(), bytes.begin() + std::ptrdiff_t(unit));
    }
    const fuzz::Reader in(bytes.data(), bytes.size());
    const std::size_t n = in.left();
    for (const bool big : {true, false}) {
        std::vector<std::uint8_t> fast(shift + n), plain(in.rest(), in.rest() + n);
        if (n > 0)
            std::memcpy(fast.data() + shift, in.rest(), n);
        if (big)
            modBig2GB::scanBigPairs(fast.data() + shift, qsizetype(n));
        else
            modBig2GB::scanGBPairs(fast.data() + shift, qsizetype(n));
        modBig2GB::GbScanCounts expected;
        referenceScan(plain.data(), n, big, &expected);
        fuzz::check(n == 0 || std::memcmp(fast.data() + shift, plain.data(), n) == 0,
                    big ? "scanBigPairs differs from the plain scan" : "scanGBPairs differs from the plain scan");
        if (!big) {   // the counting scan: the same bytes, and the counts of the plain scan
            std::vector<std::uint8_t> counted(shift + n);
            if (n > 0)
                std::memcpy(counted.data() + shift, in.rest(), n);
            modBig2GB::GbScanCounts counts;
            modBig2GB::scanGBPairs(counted.data() + shift, qsizetype(n), &counts);
            fuzz::check(n == 0 || std::memcmp(counted.data() + shift, plain.data(), n) == 0,
                        "the counting scanGBPairs differs from the plain scan");
            fuzz::check(counts.lineFeeds == expected.lineFeeds && counts.blanked == expected.blanked
                            && counts.firstBlank == expected.firstBlank,
                        "the counting scanGBPairs counts differently");
        }
    }
    return 0;
}
