// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/native_path.h"

#include "document/encoding.h"

namespace document {

QString pathFromNative(QByteArrayView native)
{
    return decodeText(native, Encoding::Utf8);
}

QByteArray nativePath(const QString& path)
{
    return encodeText(path, Encoding::Utf8);
}

} // namespace document
