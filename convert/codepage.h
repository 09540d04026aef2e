// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ANSI code page of the editor: Windows code page 950 (Big5), as ICU's
// windows-950-2000 table maps it plus the 249 kana, Cyrillic letters and enclosed
// numbers Windows reads at C6A1..C7FC, made lossless for arbitrary bytes. The other
// user-defined codes (C7FD..C8FE, 8140..A0FE, FA40..FEFE) read as Private Use
// characters, as Windows reads them.
//
// decode() never fails: byte pairs that are characters of code page 950 become
// those characters; every other byte sequence becomes reserved Private Use code
// points that encode() turns back into the same bytes, so encode(decode(b)) == b
// for any b. That is what lets a GB2312 file be read "as Big5", converted byte
// by byte, and written back without loss.
//
// Reserved code points:
//   U+F849..U+F886  the 62 unassigned pairs A3C0..A3FE (A3E1 is the euro sign)
//   U+F887..U+F890  the 10 pairs Windows decodes to a character that encodes
//                   elsewhere (A2A4..A2A7, A2CC, A2CE, F9FA..F9FD)
//   U+10FF81..U+10FFFE  a lone byte 0x81..0xFE that starts no character
//                   (outside the BMP: a surrogate pair, never a lone surrogate)

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace cp950 {

// A character that code page 950 cannot hold; encode() wrote one '?' for it.
struct Unencodable {
    qsizetype textIndex;   // UTF-16 index of the character in the input
    qsizetype textLength;  // 1, or 2 for a surrogate pair
    qsizetype byteOffset;  // where its '?' stands in the output
};

QString decode(QByteArrayView bytes);
// Characters outside code page 950 become '?' (0x3F); pass `misses` to learn which.
QByteArray encode(QStringView text, std::vector<Unencodable>* misses = nullptr);

// True when every character of `text` survives encode() unchanged.
bool canEncode(QStringView text);

// The code point of a whole code-page-950 code, for tables and tests:
// decodePair(0xB0, 0xEA) == U'國'. This is Windows' own reading, so the ten pairs that
// decode() reserves read as the characters Windows gives them; 0 when the pair
// is not a character of code page 950.
char32_t decodePair(std::uint8_t lead, std::uint8_t trail);

} // namespace cp950
