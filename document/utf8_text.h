// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// UTF-8 as the document encodings read it: well-formedness (a reserved code point counts as
// ill-formed, so its bytes are kept as raw bytes), the evidence detection weighs, and decoding
// that keeps every byte.

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace document::utf8 {

// Walks well-formed UTF-8 from p and returns where it stopped: `end`, or the first byte of a
// sequence that is ill-formed or cut off by the end. Counts multi-byte sequences up to `enough`.
const std::uint8_t* walk(const std::uint8_t* p, const std::uint8_t* end, qsizetype enough, qsizetype* multiByte);

// True when [p, end) is the beginning of a well-formed sequence that continues past `end`.
bool startsTruncatedSequence(const std::uint8_t* p, const std::uint8_t* end);

// True when every byte of 0x80 or more pairs up as a double-byte lead (0x81..0xFE) and trail
// (0x40..0x7E, 0xA1..0xFE), as a Big5 or GBK text would.
bool readsAsDoubleByte(QByteArrayView bytes);

// The text of UTF-8 bytes, a leading U+FEFF kept; each byte that is not part of a well-formed
// sequence becomes its reserved code point.
QString decode(QByteArrayView bytes);

} // namespace document::utf8
