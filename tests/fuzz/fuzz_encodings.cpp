// SPDX-License-Identifier: GPL-3.0-or-later
// The document encodings: any bytes read in any encoding are written back as the same bytes,
// and what they read as never holds a lone surrogate (the text area could not keep it).
#include "document/encoding.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Reader in(data, size);
    const std::uint8_t pick = in.byte();
    const QByteArrayView bytes(reinterpret_cast<const char*>(in.rest()), qsizetype(in.left()));
    const document::Encoding e = document::kAllEncodings[pick % std::size(document::kAllEncodings)];
    // A file read with a byte-order mark starts with it; without one the encoding adds it on save.
    QByteArray file = bytes.toByteArray();
    if (document::hasByteOrderMark(e) && document::encodingFromBom(file) != e)
        file.prepend(document::encodeText(QString(), e));
    const QString text = document::decodeText(file, e);
    if (e != document::Encoding::Big5) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isHighSurrogate())
                fuzz::check(i + 1 < text.size() && text[++i].isLowSurrogate(), "lone high surrogate");
            else
                fuzz::check(!text[i].isLowSurrogate(), "lone low surrogate");
        }
    }
    fuzz::check(document::encodeText(text, e) == file, "bytes did not come back");
    // Detection never throws and always names an encoding.
    (void)document::detectEncoding(bytes);
    return 0;
}
