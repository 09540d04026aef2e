// SPDX-License-Identifier: GPL-3.0-or-later
// The code page codec: any bytes decode without lone surrogates and encode back to the
// same bytes; any UTF-16 text encodes with every miss pointing at the '?' written for it.
#include "convert/codepage.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = cp950::decode(bytes);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate()) {
            fuzz::check(i + 1 < text.size() && text[i + 1].isLowSurrogate(), "decode: lone high surrogate");
            ++i;
        } else {
            fuzz::check(!text[i].isLowSurrogate(), "decode: lone low surrogate");
        }
    }
    fuzz::check(cp950::encode(text) == bytes, "encode(decode(b)) != b");

    // The same bytes read as UTF-16 (lone surrogates and all).
    const QStringView utf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2));
    std::vector<cp950::Unencodable> misses;
    const QByteArray out = cp950::encode(utf16, &misses);
    fuzz::check(cp950::canEncode(utf16) == misses.empty(), "canEncode disagrees with encode's misses");
    qsizetype nextIndex = 0, nextOffset = 0;
    for (const cp950::Unencodable& m : misses) {
        fuzz::check(m.textIndex >= nextIndex && m.byteOffset >= nextOffset, "misses out of order or overlapping");
        fuzz::check(m.textLength == 1 || m.textLength == 2, "miss length");
        fuzz::check(m.textIndex + m.textLength <= utf16.size(), "miss beyond the text");
        fuzz::check(m.textLength == 1
                        || (utf16[m.textIndex].isHighSurrogate() && utf16[m.textIndex + 1].isLowSurrogate()),
                    "two-unit miss that is not a surrogate pair");
        fuzz::check(m.byteOffset < out.size() && out[m.byteOffset] == '?', "miss offset does not point at '?'");
        nextIndex = m.textIndex + m.textLength;
        nextOffset = m.byteOffset + 1;
    }
    return 0;
}
