// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The byte scan of both conversions: find the pairs the pair test accepts and replace each by
// its table cell, in place. Every other byte stays; the output is as long as the input.

#include <QtGlobal>

#include <cstdint>

namespace modBig2GB {

// Both return how many leading bytes are final should more bytes follow: `size`, or size - 1
// when the last byte stands at a pair boundary and could start a pair with the next byte
// (it is left unchanged, as the last byte of a whole text is). A stream that goes on from
// there, with that byte first, converts exactly as the whole text would.

// Big5 pairs: first byte 0xA1 or more, second 0x40 or more; cells from BigStr.
qsizetype scanBigPairs(std::uint8_t* bytes, qsizetype size);
// GB2312 pairs: both bytes 0xA1 or more; cells from GBStr through the row key.
qsizetype scanGBPairs(std::uint8_t* bytes, qsizetype size);

// What the GB2312 scan can count on the way, for the warning, at almost no cost: the line
// feeds it passed and the pairs whose cell is the ideographic space (characters Big5 lacks;
// the ideographic space itself excepted).
struct GbScanCounts {
    qsizetype lineFeeds = 0;
    qsizetype blanked = 0;
    qsizetype firstBlank = -1;   // offset of the first of those pairs
};
qsizetype scanGBPairs(std::uint8_t* bytes, qsizetype size, GbScanCounts* counts);

// The counting scan in two halves, so that the exact count of GBK-only pairs (GbkPairCounter)
// need read only the blocks that can hold one. The first converts the 64-byte blocks where
// GB2312's pair structure is GBK's and no GBK-only pair can stand, and stops at the first other
// block or at the last 64 bytes; it returns where it stopped, with *consumed set when the byte
// there is the second byte of a pair it converted. The second goes on from there.
qsizetype scanGBPairsWhileGb2312(std::uint8_t* bytes, qsizetype size, GbScanCounts* counts, bool* consumed);
qsizetype scanGBPairsFrom(std::uint8_t* bytes, qsizetype size, qsizetype from, bool consumed, GbScanCounts* counts);

} // namespace modBig2GB
