// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/text_file.h"

#include "convert/findings.h"
#include "convert/huge_pages.h"
#include "document/file_errors.h"
#include "document/native_path.h"

#include <QFile>
#include <QLocale>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <new>

namespace document {

namespace {

// True when every CR already has its LF, so normalising only adds a last line end.
// Subtitle lines are short, so this looks at 16 bytes at a time rather than CR by CR.
bool onlyCrLfLineEnds(QByteArrayView in)
{
    const char* p = in.data();
    const char* const end = p + in.size();
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; end - p > 16; p += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        const __m128i loneCr = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(here, cr));
        if (_mm_movemask_epi8(loneCr) != 0)
            return false;
    }
#endif
    for (; p < end; ++p) {
        if (*p == '\r' && (p + 1 >= end || p[1] != '\n'))
            return false;
    }
    return true;
}

} // namespace

void appendWithCrLf(QByteArray& out, QByteArrayView in)
{
    if (onlyCrLfLineEnds(in)) {
        out.append(in);
        return;
    }
    const char* p = in.data();
    const char* const end = p + in.size();
    while (p < end) {
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
        if (cr == nullptr) {
            out.append(p, end - p);
            break;
        }
        out.append(p, cr - p);
        out.append("\r\n", 2);
        p = cr + 1;
        if (p < end && *p == '\n')
            ++p;
    }
}

QByteArray normaliseLineEnds(QByteArrayView in)
{
    QByteArray out;
    out.reserve(in.size() + 2);
    appendWithCrLf(out, in);
    if (!out.isEmpty() && !out.endsWith("\r\n"))
        out.append("\r\n", 2);   // a last line without a line end gets one
    return out;
}

QByteArray normaliseInPlace(QByteArray bytes)
{
    // The usual file needs no copy: its line ends are fine and at most one is missing at the end.
    if (!onlyCrLfLineEnds(bytes))
        return normaliseLineEnds(bytes);
    if (!bytes.isEmpty() && !bytes.endsWith("\r\n"))
        bytes.append("\r\n", 2);
    return bytes;
}

namespace {

QString outOfMemory()
{
    return QStringLiteral("記憶體不足，無法載入這個檔案");
}

} // namespace

QString tooLargeReason(qint64 limit)
{
    // Whole megabytes with digit groups (1,024 MB); a small limit (a test's) in bytes.
    QLocale grouped = QLocale::c();
    grouped.setNumberOptions(QLocale::DefaultNumberOptions);
    const qint64 megabytes = limit >> 20;
    if (megabytes << 20 != limit)
        return QStringLiteral("檔案太大（超過 %1 位元組）").arg(grouped.toString(limit));
    return QStringLiteral("檔案太大（超過 %1 MB）").arg(grouped.toString(megabytes));
}

bool openForReading(QFile& file, const QString& path, QString* reason)
{
    // Opened here rather than by QFile, so the reason is the system's own (errno), not a guess.
    const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        // A name from a file dialog that held bytes Qt could not read has lost them.
        *reason = error == ENOENT && path.contains(QChar::ReplacementCharacter)
                      ? QStringLiteral("檔名含有不是 UTF-8 的位元組，無法由這個名稱找到檔案")
                      : systemReason(error);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        *reason = systemReason(EISDIR);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *reason = file.errorString();
        return false;
    }
    return true;
}

ReadBytesResult readBytes(QIODevice& device, qint64 limit)
{
    ReadBytesResult r;
    if (!device.isSequential() && device.size() > limit) {
        r.reason = tooLargeReason(limit);   // refused before a byte of it is read
        return r;
    }
    try {
        // The reported size is only a hint: /proc files report 0, a file may grow while it is
        // read, a pipe reports nothing. So read until the source says it has ended, into room
        // reserved for the reported size and the line end a load may add; past that, through
        // a small probe so the common file is never copied.
        QByteArray bytes;
        bytes.reserve((device.isSequential() ? 0 : qMin(device.size(), limit)) + 2);
        preferHugePages(bytes.data(), bytes.capacity());
        char probe[1 << 16];
        for (;;) {
            const qint64 used = bytes.size();
            const qint64 room = qMin<qint64>(bytes.capacity() - used - 2, limit + 1 - used);
            qint64 got;
            if (room >= qint64(sizeof probe)) {
                bytes.resize(used + room);
                got = device.read(bytes.data() + used, room);
                bytes.resize(used + qMax<qint64>(got, 0));
            } else {
                got = device.read(probe, qMin<qint64>(sizeof probe, limit + 1 - used));
                if (got > 0)
                    bytes.append(probe, got);
            }
            if (got < 0) {
                r.reason = device.errorString();
                return r;
            }
            if (bytes.size() > limit) {
                r.reason = tooLargeReason(limit);
                return r;
            }
            if (got == 0)
                break;
        }
        r.bytes = std::move(bytes);
    } catch (const std::bad_alloc&) {
        r.reason = outOfMemory();
        return r;
    }
    r.ok = true;
    return r;
}

ReadBytesResult readFileBytes(const QString& path, qint64 limit)
{
    QFile file;
    ReadBytesResult r;
    if (!openForReading(file, path, &r.reason))
        return r;
    return readBytes(file, limit);
}

QString textFromBytes(QByteArray bytes, Encoding encoding)
{
    if (encoding == Encoding::Big5)
        return cp950::decode(normaliseInPlace(std::move(bytes)));
    return decodeText(bytes, encoding);
}

namespace {

// Reads and decodes a whole source; with `keepUtf8`, a UTF-8 file whose bytes are all well
// formed is handed back as those bytes instead.
EditorRead readDocument(QIODevice& device, std::optional<Encoding> encoding, bool keepUtf8)
{
    EditorRead r;
    ReadBytesResult bytes = readBytes(device);
    if (!bytes.ok) {
        r.reason = bytes.reason;
        return r;
    }
    try {
        r.encoding = encoding ? encodingAsRequested(*encoding, bytes.bytes) : detectEncoding(bytes.bytes);
        const bool utf8 = r.encoding == Encoding::Utf8 || r.encoding == Encoding::Utf8Bom;
        const qsizetype mark = r.encoding == Encoding::Utf8Bom && bytes.bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        // Detection takes a file without a mark for UTF-8 only when it is well formed; a file
        // with a mark, or one named UTF-8 by the user, is checked here.
        const bool checked = !encoding && r.encoding == Encoding::Utf8;
        if (keepUtf8 && utf8 && (checked || isPlainUtf8(QByteArrayView(bytes.bytes).sliced(mark)))) {
            bytes.bytes.remove(0, mark);
            r.utf8 = std::move(bytes.bytes);
        } else {
            r.text = textFromBytes(std::move(bytes.bytes), r.encoding);
        }
    } catch (const std::bad_alloc&) {
        r.reason = outOfMemory();
        return r;
    }
    r.ok = true;
    return r;
}

} // namespace

ReadResult readText(QIODevice& device, std::optional<Encoding> encoding)
{
    return readDocument(device, encoding, false);
}

ReadResult readTextFile(const QString& path, std::optional<Encoding> encoding)
{
    QFile file;
    ReadResult r;
    if (!openForReading(file, path, &r.reason))
        return r;
    return readText(file, encoding);
}

EditorRead readForEditor(const QString& path, std::optional<Encoding> encoding)
{
    QFile file;
    EditorRead r;
    if (!openForReading(file, path, &r.reason))
        return r;
    return readDocument(file, encoding, true);
}

QByteArray fileBytes(const QString& text, Encoding encoding, std::vector<cp950::Unencodable>* misses)
{
    QByteArray bytes = encodeText(text, encoding, misses);
    if (encoding == Encoding::Big5)
        bytes.append("\r\n", 2);   // the Big5 format ends every save with one more line end
    return bytes;
}

Unsavable describeUnsavable(const QString& text, const std::vector<cp950::Unencodable>& misses)
{
    Unsavable u;
    u.count = qsizetype(misses.size());
    if (misses.empty())
        return u;
    const auto& m = misses.front();
    u.first = text.mid(m.textIndex, m.textLength);
    u.line = lineNumberAt(text, m.textIndex);
    return u;
}

} // namespace document
