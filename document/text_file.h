// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text file format. A Big5 file (code page 950, the editor's own) is read line by line,
// a line ending at CR or CR LF, and written as the whole text plus one CR LF. A file in one
// of the other encodings is kept exactly: its line ends, its byte-order mark, no CR LF added.
// Plain functions, no window: the editor, the batch converter and the tests share them.

#include "document/encoding.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QFile;
class QIODevice;

namespace document {

// Files larger than this are refused with a message rather than exhausting memory; standard
// input and every other source of bytes too.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;
// The message for a source over the limit.
QString tooLargeReason(qint64 limit = kMaxFileBytes);

// A line ends at CR or CR LF (one line end); a lone LF stays in the line. Every line,
// the last included, comes back followed by CR LF; an empty input gives empty output.
QByteArray normaliseLineEnds(QByteArrayView bytes);
// The same for one slice of a longer file: lone CRs become CR LF; nothing is added at
// the end (the caller decides where the file ends).
void appendWithCrLf(QByteArray& out, QByteArrayView bytes);
// True when every CR is followed by LF, so appendWithCrLf would copy the bytes unchanged.
bool onlyCrLfLineEnds(QByteArrayView bytes);
// normaliseLineEnds without a copy when only a last line end is missing. Without
// `addLastLineEnd` (a part of a file that goes on) no line end is added at the end.
QByteArray normaliseInPlace(QByteArray bytes, bool addLastLineEnd = true);

struct ReadBytesResult {
    bool ok = false;
    QByteArray bytes;     // when ok: the bytes as they are
    bool ended = true;    // when ok: the source has no more (else `want` bytes were read)
    QString reason;       // when not ok: why, for the user
};
// The one way bytes come in, and the one place the size limit is kept: reads `device` (open
// for reading) after the bytes already in `bytes`, to its end whatever size it reports, or,
// with `want`, until `bytes` holds that many. A source whose bytes (those in `bytes` counted)
// pass `limit` is refused.
ReadBytesResult readBytes(QIODevice& device, qint64 limit = kMaxFileBytes, QByteArray bytes = {}, qint64 want = -1);
// Opens a file for reading, or says why not in the words the load messages use.
bool openForReading(QFile& file, const QString& path, QString* reason);

// The start of a source, read as far as it takes to know its encoding (a slice at a time,
// see EncodingDetector): in `requested`, or in what detection finds. Open, a drop, the
// command line and the converter all decide here.
struct Opening {
    bool ok = false;
    QString reason;                       // when not ok: why, for the user
    QByteArray head;                      // the bytes read so far
    bool ended = false;                   // `head` is the whole source
    Encoding encoding = Encoding::Big5;
    bool plainUtf8 = false;               // detected UTF-8 that holds no stray byte
};
// How the caller goes on to read the source:
//  - Whole: all of it into one buffer (the editor). The first read reserves room for the whole
//    file, as its size says, so the buffer is allocated once and never grows.
//  - InSlices: a slice at a time (the converter). While the bytes are still undecided (an ASCII
//    or UTF-8 file is decided only at its end), what detection has surveyed is let go once it
//    passes kHeldWhileUndecided; a source read that far is read again from where it began
//    (`head` then holds its start), so memory stays flat. A pipe cannot be read again and is
//    held as before.
enum class Reading { Whole, InSlices };
inline constexpr qsizetype kHeldWhileUndecided = qsizetype(4) << 20;
Opening decideEncoding(QIODevice& device, std::optional<Encoding> requested, qint64 limit = kMaxFileBytes,
                       Reading reading = Reading::Whole, qsizetype held = kHeldWhileUndecided);
// Reads the rest of the source into `opening.head`; false (with `opening.ok` false and the
// reason set) when that fails.
bool finishReading(QIODevice& device, Opening& opening);

// The editor text a file's bytes load as, in the given encoding.
QString textFromBytes(QByteArray bytes, Encoding encoding);

// Reads a whole file as Open does, for the editor, whose text area holds UTF-8: a UTF-8 file
// whose bytes are all well formed comes back as those bytes (`utf8`, without its byte-order
// mark; `text` stays empty), saving a decoding and an encoding of the whole file. Any other
// file, a UTF-8 one with a stray byte included, comes back as `text`.
struct EditorRead {
    bool ok = false;
    QString text;
    QByteArray utf8;
    Encoding encoding = Encoding::Big5;   // when ok: what the file was read as
    QString reason;                       // when not ok: why, for the user
};
EditorRead readForEditor(const QString& path, std::optional<Encoding> encoding = std::nullopt);

// What a Big5 save writes after the text: one more line end.
void appendBig5SaveEnd(QByteArray& bytes);

// What a save writes for `text` in `encoding`. Characters the encoding cannot hold become
// '?' and are listed in `misses`.
QByteArray fileBytes(const QString& text, Encoding encoding = Encoding::Big5,
                     std::vector<cp950::Unencodable>* misses = nullptr);

// Characters that a save would turn into '?'.
struct Unsavable {
    qsizetype count = 0;
    QString first;        // the first such character
    qsizetype line = 0;   // its line, from 1
};
Unsavable describeUnsavable(const QString& text, const std::vector<cp950::Unencodable>& misses);

} // namespace document
