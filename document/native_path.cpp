// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/native_path.h"

#include "document/encoding.h"
#include "document/reserved_code_points.h"

namespace document {

QString pathFromNative(QByteArrayView native)
{
    return decodeText(native, Encoding::Utf8);
}

QByteArray nativePath(const QString& path)
{
    return encodeText(path, Encoding::Utf8);
}

QString displayPath(const QString& path)
{
    QString out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const bool pair = path[i].isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(path[i], path[i + 1]) : path[i].unicode();
        if (c >= reserved::kRawByteBase && c < reserved::kRawByteBase + 0x100) {
            out += QStringLiteral("\\x%1").arg(uint(c - reserved::kRawByteBase), 2, 16, QLatin1Char('0'));
        } else {
            out += path[i];
            if (pair)
                out += path[i + 1];
        }
        i += pair ? 1 : 0;
    }
    return out;
}

} // namespace document
