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

QByteArray normaliseInPlace(QByteArray bytes, bool addLastLineEnd)
{
    // The usual file needs no copy: its line ends are fine and at most one is missing at the end.
    if (!onlyCrLfLineEnds(bytes)) {
        if (addLastLineEnd)
            return normaliseLineEnds(bytes);
        QByteArray out;
        out.reserve(bytes.size() + bytes.size() / 16 + 2);
        appendWithCrLf(out, bytes);
        return out;
    }
    if (addLastLineEnd && !bytes.isEmpty() && !bytes.endsWith("\r\n"))
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

ReadBytesResult readBytes(QIODevice& device, qint64 limit, QByteArray bytes, qint64 want)
{
    ReadBytesResult r;
    const qint64 left = device.isSequential() ? 0 : qMax<qint64>(device.size() - device.pos(), 0);
    if (left > limit - bytes.size()) {
        r.reason = tooLargeReason(limit);   // refused before a byte of it is read
        return r;
    }
    // One byte past the limit tells a source over it from one that ends there.
    const qint64 stop = want < 0 ? limit + 1 : qMin(want, limit + 1);
    try {
        // The reported size is only a hint: /proc files report 0, a file may grow while it is
        // read, a pipe reports nothing. So read until the source says it has ended, into room
        // reserved for the reported size and the line end a load may add; past that, through
        // a small probe so the common file is never copied. Read a slice at a time, the room
        // doubles (up to what the source has left), so a growing head is copied only a few times.
        const qint64 whole = bytes.size() + qMin(left, limit - bytes.size()) + 2;
        const qint64 room = bytes.size() + qMin(left, stop - bytes.size()) + 2;
        if (bytes.capacity() < room) {
            bytes.reserve(qMax(room, qMin(whole, qint64(bytes.capacity()) * 2)));
            convert::preferHugePages(bytes.data(), bytes.capacity());
        }
        char probe[1 << 16];
        r.ended = false;
        while (bytes.size() < stop) {
            const qint64 used = bytes.size();
            const qint64 free = qMin<qint64>(bytes.capacity() - used - 2, stop - used);
            qint64 got;
            if (free >= qint64(sizeof probe)) {
                bytes.resize(used + free);
                got = device.read(bytes.data() + used, free);
                bytes.resize(used + qMax<qint64>(got, 0));
            } else {
                got = device.read(probe, qMin<qint64>(sizeof probe, stop - used));
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
            if (got == 0) {
                r.ended = true;
                break;
            }
        }
        r.bytes = std::move(bytes);
    } catch (const std::bad_alloc&) {
        r.reason = outOfMemory();
        return r;
    }
    r.ok = true;
    return r;
}

Opening decideEncoding(QIODevice& device, std::optional<Encoding> requested, qint64 limit, Reading reading,
                       qsizetype held)
{
    Opening o;
    EncodingDetector detector;
    const qint64 start = device.isSequential() ? -1 : device.pos();
    if (reading == Reading::Whole && start >= 0) {
        // Room for the whole file and the line end a load may add; a file over the limit is
        // refused by the first read, before any of this is used.
        const qint64 size = qMax<qint64>(device.size() - start, 0);
        if (size <= limit) {
            try {
                o.head.reserve(size + 2);
            } catch (const std::bad_alloc&) {
                o.reason = outOfMemory();
                return o;
            }
            convert::preferHugePages(o.head.data(), o.head.capacity());
        }
    }
    qint64 dropped = 0;   // bytes surveyed and let go
    for (;;) {
        ReadBytesResult read = readBytes(device, limit - dropped, std::move(o.head), o.head.size() + kDetectionSlice);
        if (!read.ok) {
            o.reason = read.reason;
            return o;
        }
        o.head = std::move(read.bytes);
        o.ended = read.ended;
        if (requested) {
            o.encoding = encodingAsRequested(*requested, o.head);
            break;
        }
        if (const auto e = detector.decide(o.head, o.ended)) {
            o.encoding = *e;
            o.plainUtf8 = (*e == Encoding::Utf8 || *e == Encoding::Utf8Bom) && detector.plainUtf8();
            break;
        }
        if (reading == Reading::InSlices && start >= 0 && o.head.size() >= held) {
            const qsizetype surveyed = detector.neededFrom();
            o.head = o.head.sliced(surveyed);   // a copy of the few bytes still needed: the rest is freed
            detector.forget(surveyed);
            dropped += surveyed;
        }
    }
    if (dropped > 0) {
        // The caller reads on from the start, as if the head had been held all along.
        if (!device.seek(start)) {
            o.reason = device.errorString();
            return o;
        }
        ReadBytesResult read = readBytes(device, limit, {}, kDetectionSlice);
        if (!read.ok) {
            o.reason = read.reason;
            return o;
        }
        o.head = std::move(read.bytes);
        o.ended = read.ended;
    }
    o.ok = true;
    return o;
}

bool finishReading(QIODevice& device, Opening& opening)
{
    if (opening.ended)
        return true;
    ReadBytesResult rest = readBytes(device, kMaxFileBytes, std::move(opening.head));
    opening.ok = rest.ok;
    opening.reason = rest.reason;
    opening.head = std::move(rest.bytes);
    opening.ended = rest.ok;
    return rest.ok;
}

QString textFromBytes(QByteArray bytes, Encoding encoding)
{
    if (encoding == Encoding::Big5)
        return cp950::decode(normaliseInPlace(std::move(bytes)));
    return decodeText(bytes, encoding);
}

EditorRead readForEditor(const QString& path, std::optional<Encoding> encoding)
{
    EditorRead r;
    QFile file;
    if (!openForReading(file, path, &r.reason))
        return r;
    Opening o = decideEncoding(file, encoding, kMaxFileBytes, Reading::Whole);
    if (!o.ok || !finishReading(file, o)) {
        r.reason = o.reason;
        return r;
    }
    try {
        r.encoding = o.encoding;
        QByteArray& bytes = o.head;
        const bool utf8 = r.encoding == Encoding::Utf8 || r.encoding == Encoding::Utf8Bom;
        const qsizetype mark = r.encoding == Encoding::Utf8Bom && bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        // The text area holds UTF-8: well-formed UTF-8 goes in as it is, without its mark.
        const bool plain = encoding ? isPlainUtf8(QByteArrayView(bytes).sliced(mark)) : o.plainUtf8;
        if (utf8 && plain) {
            bytes.remove(0, mark);
            r.utf8 = std::move(bytes);
        } else {
            r.text = textFromBytes(std::move(bytes), r.encoding);
        }
    } catch (const std::bad_alloc&) {
        r.reason = outOfMemory();
        return r;
    }
    r.ok = true;
    return r;
}

void appendBig5SaveEnd(QByteArray& bytes)
{
    bytes.append("\r\n", 2);
}

QByteArray fileBytes(const QString& text, Encoding encoding, std::vector<cp950::Unencodable>* misses)
{
    QByteArray bytes = encodeText(text, encoding, misses);
    if (encoding == Encoding::Big5)
        appendBig5SaveEnd(bytes);
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
    u.line = modBig2GB::lineNumberAt(text, m.textIndex);
    return u;
}

} // namespace document
