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
// cell unless either byte is 0xFF, and the scan goes on after it. Other bytes stay.
void referenceScan(std::uint8_t* p, std::size_t n, bool big)
{
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
    fuzz::Reader in(data, size);
    const std::size_t shift = in.byte() % 64;
    const std::size_t n = in.left();
    for (const bool big : {true, false}) {
        std::vector<std::uint8_t> fast(shift + n), plain(in.rest(), in.rest() + n);
        if (n > 0)
            std::memcpy(fast.data() + shift, in.rest(), n);
        if (big)
            modBig2GB::scanBigPairs(fast.data() + shift, qsizetype(n));
        else
            modBig2GB::scanGBPairs(fast.data() + shift, qsizetype(n));
        referenceScan(plain.data(), n, big);
        fuzz::check(n == 0 || std::memcmp(fast.data() + shift, plain.data(), n) == 0,
                    big ? "scanBigPairs differs from the plain scan" : "scanGBPairs differs from the plain scan");
    }
    return 0;
}
