#include "app/document.h"

#include "convert/codepage.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>
#include <new>

namespace document {

QByteArray normaliseLineEnds(QByteArrayView in)
{
    QByteArray out;
    if (in.isEmpty())
        return out;
    out.reserve(in.size() + 2);
    const char* p = in.data();
    const char* const end = p + in.size();
    while (p < end) {
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
        if (cr == nullptr) {
            out.append(p, end - p);
            out.append("\r\n", 2);   // a last line without a line end gets one
            break;
        }
        out.append(p, cr - p);
        out.append("\r\n", 2);
        p = cr + 1;
        if (p < end && *p == '\n')
            ++p;
    }
    return out;
}

namespace {

// True when every CR already has its LF, so normalising only adds a last line end.
bool onlyCrLfLineEnds(QByteArrayView in)
{
    const char* p = in.data();
    const char* const end = p + in.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)))) != nullptr) {
        if (p + 1 >= end || p[1] != '\n')
            return false;
        p += 2;
    }
    return true;
}

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

ReadBytesResult readFileBytes(const QString& path)
{
    ReadBytesResult r;
    const QFileInfo info(path);
    if (!info.exists()) {
        r.reason = QStringLiteral("檔案不存在");
        return r;
    }
    if (info.isDir()) {
        r.reason = QStringLiteral("這是資料夾，不是檔案");
        return r;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.reason = f.errorString();
        return r;
    }
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

WriteResult writeFileBytes(const QString& path, const QByteArray& bytes)
{
    WriteResult r;
    QFileInfo info(path);
    // Write where a symbolic link points, so the link itself stays a link.
    QString target = path;
    if (info.isSymLink()) {
        target = info.symLinkTarget();
        info = QFileInfo(target);
    }
    if (info.exists() && !info.isFile()) {
        r.reason = info.isDir() ? QStringLiteral("這是資料夾，不是檔案")
                                : QStringLiteral("這不是一般檔案");
        return r;
    }
    QSaveFile f(target);
    f.setDirectWriteFallback(false);
    // Unbuffered, so a failing write is seen at write() and not lost in the final flush.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        r.reason = f.errorString();
        return r;
    }
    if (info.exists())
        f.setPermissions(info.permissions());
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
