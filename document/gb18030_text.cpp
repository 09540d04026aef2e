// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/gb18030_text.h"

#include "document/reserved_code_points.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace document::gb18030 {

using reserved::appendCodePoint;
using reserved::isReserved;
using reserved::kRawByteBase;

namespace {

// An ICU converter, closed when done with.
struct IcuConverter {
    UConverter* cnv = nullptr;
    explicit IcuConverter(const char* name)
    {
        UErrorCode status = U_ZERO_ERROR;
        cnv = ucnv_open(name, &status);
        if (U_FAILURE(status))
            throw std::runtime_error(std::string("ICU has no converter for ") + name);
    }
    ~IcuConverter() { ucnv_close(cnv); }
    IcuConverter(const IcuConverter&) = delete;
    IcuConverter& operator=(const IcuConverter&) = delete;
};

void keepRawBytes(const void*, UConverterToUnicodeArgs* args, const char* codeUnits, int32_t length,
                  UConverterCallbackReason reason, UErrorCode* err)
{
    if (reason > UCNV_IRREGULAR)
        return;   // reset, close, clone
    *err = U_ZERO_ERROR;   // a sequence cut off by the end of the input comes with an error set
    for (int32_t i = 0; i < length; ++i) {
        const char32_t c = kRawByteBase + std::uint8_t(codeUnits[i]);
        const UChar pair[2] = {UChar(0xD800 + ((c - 0x10000) >> 10)), UChar(0xDC00 + ((c - 0x10000) & 0x3FF))};
        ucnv_cbToUWriteUChars(args, pair, 2, 0, err);
    }
    *err = U_ZERO_ERROR;
}

// Where GB18030 writes a reserved code point with one of its own four-byte codes: those four
// bytes are read as raw bytes, so a save writes them back (the file's character would else be
// taken for a raw byte). Found by walking the encoding's structure: 1, 2 or 4 bytes a character.
std::vector<qsizetype> reservedFourByteCodes(QByteArrayView bytes)
{
    std::vector<qsizetype> found;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const qsizetype n = bytes.size();
    auto digit = [](std::uint8_t b) { return b >= 0x30 && b <= 0x39; };
    for (qsizetype i = 0; i < n;) {
        if (p[i] < 0x81 || p[i] == 0xFF || i + 1 >= n) {
            ++i;
        } else if (digit(p[i + 1]) && i + 3 < n && p[i + 2] >= 0x81 && p[i + 2] <= 0xFE && digit(p[i + 3])) {
            if (p[i] >= 0x90) {
                const char32_t c = 0x10000
                                   + ((char32_t(p[i] - 0x90) * 10 + (p[i + 1] - 0x30)) * 126 + (p[i + 2] - 0x81)) * 10
                                   + (p[i + 3] - 0x30);
                if (isReserved(c))
                    found.push_back(i);
            }
            i += 4;
        } else {
            i += 2;
        }
    }
    return found;
}

} // namespace

QString decode(QByteArrayView bytes);

namespace {

QString decodePiecewise(QByteArrayView bytes, const std::vector<qsizetype>& reserved)
{
    QString out;
    qsizetype from = 0;
    for (qsizetype at : reserved) {
        out += decode(bytes.sliced(from, at - from));
        for (qsizetype k = at; k < at + 4; ++k)
            appendCodePoint(out, kRawByteBase + std::uint8_t(bytes[k]));
        from = at + 4;
    }
    return out + decode(bytes.sliced(from));
}

} // namespace

QString decode(QByteArrayView bytes)
{
    if (const std::vector<qsizetype> reserved = reservedFourByteCodes(bytes); !reserved.empty())
        return decodePiecewise(bytes, reserved);
    IcuConverter icu("gb18030");
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(icu.cnv, keepRawBytes, nullptr, nullptr, nullptr, &status);
    // Every byte gives at most two units (a raw byte's surrogate pair).
    QString out(bytes.size() * 2 + 2, Qt::Uninitialized);
    UChar* target = reinterpret_cast<UChar*>(out.data());
    UChar* const targetStart = target;
    const char* source = bytes.data();
    ucnv_toUnicode(icu.cnv, &target, target + out.size(), &source, bytes.data() + bytes.size(), nullptr, true,
                   &status);
    if (U_FAILURE(status))
        throw std::runtime_error("GB18030 decoding failed");
    out.truncate(target - targetStart);
    out.squeeze();
    return out;
}


struct Encoder::Converter {
    IcuConverter icu{"gb18030"};
};

Encoder::Encoder() : converter_(std::make_unique<Converter>()) {}
Encoder::~Encoder() = default;

void Encoder::append(QByteArray& out, QStringView text)
{
    // A piece at a time: ICU counts in 32-bit integers, and a piece needs room for four bytes a
    // unit only for itself.
    constexpr qsizetype kPiece = qsizetype(1) << 20;
    while (!text.isEmpty()) {
        qsizetype n = std::min(kPiece, text.size());
        if (n < text.size() && text[n - 1].isHighSurrogate())
            --n;   // a surrogate pair stays in one piece
        const qsizetype at = out.size();
        out.resize(at + n * 4);
        UErrorCode status = U_ZERO_ERROR;
        const int32_t written = ucnv_fromUChars(converter_->icu.cnv, out.data() + at, int32_t(n * 4),
                                                reinterpret_cast<const UChar*>(text.data()), int32_t(n), &status);
        if (U_FAILURE(status))
            throw std::runtime_error("GB18030 encoding failed");   // only lone surrogates could, and none get here
        out.truncate(at + written);
        text = text.sliced(n);
    }
}

} // namespace document::gb18030
