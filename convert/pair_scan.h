#pragma once
// The byte scan of both conversions: find the pairs the pair test accepts and replace each by
// its table cell, in place. Every other byte stays; the output is as long as the input.

#include <QtGlobal>

#include <cstdint>

namespace modBig2GB {

// Big5 pairs: first byte 0xA1 or more, second 0x40 or more; cells from BigStr.
void scanBigPairs(std::uint8_t* bytes, qsizetype size);
// GB2312 pairs: both bytes 0xA1 or more; cells from GBStr through the row key.
void scanGBPairs(std::uint8_t* bytes, qsizetype size);

} // namespace modBig2GB
