// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The encodings a document can be read and written in. Big5 (code page 950) is the
// editor's own: every file is read through it unless the file says otherwise. The others
// serve today's subtitle files and are kept byte for byte: a load followed by a save gives
// back the same bytes.
//
// Bytes that do not form a character of the encoding are never dropped: each becomes the
// reserved code point U+10FF00 + byte (the scheme the code page codec uses for a lone
// byte), and a save writes it back as that byte. In UTF-16 a lone surrogate unit u becomes
// U+10F000 + (u - 0xD800), since the text area cannot hold a lone surrogate. A file that
// really holds one of those code points has it read as raw bytes (or units) the same way,
// so it too comes back unchanged.

#include "convert/codepage.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace document {

enum class Encoding { Big5, Utf8, Utf8Bom, Utf16LE, Utf16BE, Gb18030 };

inline constexpr Encoding kAllEncodings[] = {Encoding::Big5,    Encoding::Utf8,    Encoding::Utf8Bom,
                                             Encoding::Utf16LE, Encoding::Utf16BE, Encoding::Gb18030};

// For menus and messages: "Big5", "UTF-8", "UTF-8 (BOM)", "UTF-16 LE", "UTF-16 BE", "GB18030".
QString encodingName(Encoding encoding);
bool hasByteOrderMark(Encoding encoding);

// The encoding a byte-order mark at the start of `bytes` names, if there is one.
std::optional<Encoding> encodingFromBom(QByteArrayView bytes);

// What Open assumes of a file's bytes:
//  - a UTF-16 byte-order mark decides; a UTF-8 one decides unless the bytes right after it are
//    ill-formed and the text is not clearly UTF-8 (below): a GB2312 text that happens to
//    begin with the same three bytes (锘 and a character led by 0xBF) is not taken for it;
//  - bytes whose NULs sit in alternating positions are UTF-16 without a mark (NULs at odd
//    positions little-endian, at even ones big-endian): no Big5 or UTF-8 text holds a NUL;
//  - bytes that are valid UTF-8 holding multi-byte sequences are UTF-8, unless they also read
//    as a plain double-byte text (every byte of 0x80 or more paired as a Big5/GBK lead and
//    trail) and hold fewer than four multi-byte sequences: then the file is too short to tell;
//  - bytes that are otherwise clearly UTF-8 (at least four multi-byte sequences, and eight for
//    every stray: a Latin-1 letter, a last character cut off, each run of ill-formed bytes
//    counting once) are UTF-8 too, the stray bytes kept as they were (see above);
//  - everything else is Big5.
// A GB2312 or Big5 subtitle of a few lines is all but never valid UTF-8, and read as UTF-8 it
// gives about as many stray bytes as sequences, so it stays Big5.
Encoding detectEncoding(QByteArrayView bytes);

// The same decision over a source read a piece at a time. Each call gets everything read so
// far (what the last call got, with more after it) and whether the source has ended, and
// answers once the bytes can tell: a GB2312 or Big5 file within its first slice, an ASCII or
// UTF-8 one only at its end (a Big5 text may still follow). detectEncoding is this over the
// input in slices of kDetectionSlice bytes, so a file is decided the same however it is read.
class EncodingDetector {
public:
    std::optional<Encoding> decide(QByteArrayView bytes, bool ended);
    // After a decision for UTF-8: the bytes after any mark are well-formed UTF-8 holding no
    // reserved code point, so they are exactly the UTF-8 form of their text.
    bool plainUtf8() const { return plain_; }
    // Before a decision, the caller may let go of the bytes it has passed in before this offset
    // (in the bytes last passed) and pass only the rest from then on, after telling forget().
    qsizetype neededFrom() const { return qMin(at_, pairAt_); }
    void forget(qsizetype bytes);

private:
    void survey(QByteArrayView bytes, bool ended);
    void pairUp(QByteArrayView bytes, bool ended);
    bool clearlyUtf8() const { return multiByte_ >= 4 && stray_ * 8 <= multiByte_; }

    bool started_ = false;
    bool mark_ = false;       // the bytes begin with a UTF-8 mark
    bool plain_ = false;
    qsizetype at_ = 0;        // where the UTF-8 survey goes on
    qsizetype multiByte_ = 0;
    qsizetype stray_ = 0;
    // Whether the bytes read so far pair up as a double-byte text (utf8::readsAsDoubleByte),
    // followed while it may still matter (fewer than four multi-byte sequences), and where.
    bool pairsUp_ = true;
    qsizetype pairAt_ = 0;
};
inline constexpr qsizetype kDetectionSlice = qsizetype(1) << 20;

// What a request to read bytes as UTF-16 or UTF-8 means for these bytes: UTF-16 in the byte
// order their mark names (LE without one; written back with a mark), UTF-8 keeping a mark the
// file has. Other encodings stay as requested.
Encoding encodingAsRequested(Encoding requested, QByteArrayView bytes);

// True when `bytes` are well-formed UTF-8 holding no reserved code point, so that they are
// exactly the UTF-8 form of what decodeText gives for them.
bool isPlainUtf8(QByteArrayView bytes);

// Decodes a whole file's bytes; a byte-order mark at the start is dropped (it belongs to the
// encoding, not to the text). Big5 is the code page codec alone: the caller has already
// given the bytes the line ends a load gives them. Bytes from further into a file
// (`atStart` false) have no mark: bytes that look like one there are a character.
QString decodeText(QByteArrayView bytes, Encoding encoding, bool atStart = true);
// The inverse: the byte-order mark (where the encoding has one), then the text. Characters
// the encoding cannot hold become '?' and are listed (for the Unicode encodings and
// GB18030 that is only a lone surrogate, which no loaded text holds). Text further into a
// file (`atStart` false) is written without the mark.
QByteArray encodeText(QStringView text, Encoding encoding, std::vector<cp950::Unencodable>* misses = nullptr,
                      bool atStart = true);

// The raw byte a reserved code point stands for, or -1 when `c` is an ordinary character.
inline int reservedByte(char32_t c) { return c >= 0x10FF00 && c <= 0x10FFFF ? int(c - 0x10FF00) : -1; }

} // namespace document
