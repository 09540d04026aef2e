#pragma once
// The text file format: code page 950 bytes, read line by line, written as the whole
// text plus one CR LF. Plain functions, no window: the editor, the batch converter
// and the tests share them.

#include <QString>
#include <QByteArray>

class QFile;
class QSaveFile;

#include "convert/codepage.h"

#include <vector>

namespace document {

// Files larger than this are refused with a message rather than exhausting memory.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

// A line ends at CR or CR LF (one line end); a lone LF stays in the line. Every line,
// the last included, comes back followed by CR LF; an empty input gives empty output.
QByteArray normaliseLineEnds(QByteArrayView bytes);
// The same for one slice of a longer file: lone CRs become CR LF; nothing is added at
// the end (the caller decides where the file ends).
void appendWithCrLf(QByteArray& out, QByteArrayView bytes);

struct ReadResult {
    bool ok = false;
    QString text;     // when ok: the editor text the file loads as
    QString reason;   // when not ok: why, for the user
};
// Reads the whole file and returns the text the editor shows. Nothing on failure.
ReadResult readTextFile(const QString& path);
// The bytes a load would see, for the batch converter: normalised, not decoded.
struct ReadBytesResult {
    bool ok = false;
    QByteArray bytes;
    QString reason;
};
ReadBytesResult readFileBytes(const QString& path);
// Opens a file for reading, or says why not in the words readTextFile uses.
bool openForReading(QFile& file, const QString& path, QString* reason);

// What a save writes for `text`: its code page 950 bytes and one CR LF. Characters the
// code page cannot hold become '?' and are listed in `misses`.
QByteArray fileBytes(const QString& text, std::vector<cp950::Unencodable>* misses = nullptr);

struct WriteResult {
    bool ok = false;
    QString reason;
};
// Replaces the file atomically: a failed write leaves the old file as it was. Keeps the
// old file's permissions; through a symbolic link it writes the link's target.
WriteResult writeFileBytes(const QString& path, const QByteArray& bytes);
// Opens `file` to replace `path` atomically on commit(), as writeFileBytes does.
bool openAtomic(QSaveFile& file, const QString& path, QString* reason);

// Characters that code page 950 cannot hold and a save would turn into '?'.
struct Unsavable {
    qsizetype count = 0;
    QString first;        // the first such character
    qsizetype line = 0;   // its line, from 1
};
Unsavable describeUnsavable(const QString& text, const std::vector<cp950::Unencodable>& misses);

} // namespace document
