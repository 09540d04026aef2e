#include "app/document.h"

#include "convert/codepage.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>

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

namespace {

// The usual file needs no copy: its line ends are fine and at most one is missing at the end.
QByteArray normaliseInPlace(QByteArray bytes)
{
    if (!onlyCrLfLineEnds(bytes))
        return normaliseLineEnds(bytes);
    if (!bytes.isEmpty() && !bytes.endsWith("\r\n"))
        bytes.append("\r\n", 2);
    return bytes;
}

} // namespace

bool openForReading(QFile& file, const QString& path, QString* reason)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *reason = QStringLiteral("檔案不存在");
        return false;
    }
    if (info.isDir()) {
        *reason = QStringLiteral("這是資料夾，不是檔案");
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

ReadBytesResult readFileBytes(const QString& path)
{
    ReadBytesResult r;
    QFile f;
    if (!openForReading(f, path, &r.reason))
        return r;
    if (f.size() > kMaxFileBytes) {
        r.reason = QStringLiteral("檔案太大（超過 %1 MB）").arg(kMaxFileBytes >> 20);
        return r;
    }
    try {
        // Device files and pipes report no size: read until the end, within the limit.
        // A plain file is read into room for the line end a load may add.
        QByteArray raw;
        if (f.isSequential()) {
            raw = f.read(kMaxFileBytes + 1);
        } else {
            raw.reserve(f.size() + 2);
            raw.resize(f.size());
            raw.resize(qMax<qint64>(f.read(raw.data(), raw.size()), 0));
        }
        if (f.error() != QFileDevice::NoError) {
            r.reason = f.errorString();
            return r;
        }
        if (raw.size() > kMaxFileBytes) {
            r.reason = QStringLiteral("檔案太大（超過 %1 MB）").arg(kMaxFileBytes >> 20);
            return r;
        }
        r.bytes = normaliseInPlace(std::move(raw));
    } catch (const std::bad_alloc&) {
        r.reason = QStringLiteral("記憶體不足，無法載入這個檔案");
        return r;
    }
    r.ok = true;
    return r;
}

ReadResult readTextFile(const QString& path)
{
    ReadResult r;
    ReadBytesResult bytes = readFileBytes(path);
    if (!bytes.ok) {
        r.reason = bytes.reason;
        return r;
    }
    try {
        r.text = cp950::decode(bytes.bytes);
    } catch (const std::bad_alloc&) {
        r.reason = QStringLiteral("記憶體不足，無法載入這個檔案");
        return r;
    }
    r.ok = true;
    return r;
}

QByteArray fileBytes(const QString& text, std::vector<cp950::Unencodable>* misses)
{
    QByteArray bytes = cp950::encode(text, misses);
    bytes.append("\r\n", 2);
    return bytes;
}

bool openAtomic(QSaveFile& file, const QString& path, QString* reason)
{
    QFileInfo info(path);
    // Write where a symbolic link points, so the link itself stays a link.
    QString target = path;
    if (info.isSymLink()) {
        target = info.symLinkTarget();
        info = QFileInfo(target);
    }
    if (info.exists() && !info.isFile()) {
        *reason = info.isDir() ? QStringLiteral("這是資料夾，不是檔案") : QStringLiteral("這不是一般檔案");
        return false;
    }
    file.setFileName(target);
    file.setDirectWriteFallback(false);
    // Unbuffered, so a failing write is seen at write() and not lost in the final flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *reason = file.errorString();
        return false;
    }
    if (info.exists())
        file.setPermissions(info.permissions());
    return true;
}

WriteResult writeFileBytes(const QString& path, const QByteArray& bytes)
{
    WriteResult r;
    QSaveFile f;
    if (!openAtomic(f, path, &r.reason))
        return r;
    if (f.write(bytes) != bytes.size() || !f.commit()) {
        r.reason = f.errorString();
        f.cancelWriting();
        return r;
    }
    r.ok = true;
    return r;
}

Unsavable describeUnsavable(const QString& text, const std::vector<cp950::Unencodable>& misses)
{
    Unsavable u;
    u.count = qsizetype(misses.size());
    if (misses.empty())
        return u;
    const auto& m = misses.front();
    u.first = text.mid(m.textIndex, m.textLength);
    // Lines as the user sees them: CR LF, a lone CR or a lone LF each end one.
    u.line = 1;
    for (qsizetype i = 0; i < m.textIndex; ++i) {
        const QChar c = text[i];
        if (c == u'\n' || (c == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
            ++u.line;
    }
    return u;
}

} // namespace document
