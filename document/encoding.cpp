// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/encoding.h"

#include "document/gb18030_text.h"
#include "document/reserved_code_points.h"
#include "document/utf8_text.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

namespace document {

using reserved::appendCodePoint;
using reserved::isReserved;
using reserved::kLoneUnitBase;
using reserved::kRawByteBase;

namespace {

QString decodeUtf16(QByteArrayView bytes, bool bigEndian)
{
    const qsizetype units = bytes.size() / 2;
    QString out(units, Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (qsizetype i = 0; i < units; ++i, p += 2)
        o[i] = bigEndian ? char16_t(p[0] << 8 | p[1]) : char16_t(p[1] << 8 | p[0]);

    // Lone surrogates, and pairs for reserved code points, become reserved code points.
    bool clean = true;
    for (qsizetype i = 0; i < units && clean; ++i) {
        const char16_t u = o[i];
        if (u >= 0xD800 && u <= 0xDFFF) {
            if (u <= 0xDBFF && i + 1 < units && o[i + 1] >= 0xDC00 && o[i + 1] <= 0xDFFF
                && !isReserved(QChar::surrogateToUcs4(u, o[i + 1])))
                ++i;
            else
                clean = false;
        }
    }
    if (!clean) {
        QString fixed;
        fixed.reserve(units + 16);
        for (qsizetype i = 0; i < units; ++i) {
            const char16_t u = o[i];
            if (u < 0xD800 || u > 0xDFFF) {
                fixed.append(QChar(u));
            } else if (u <= 0xDBFF && i + 1 < units && o[i + 1] >= 0xDC00 && o[i + 1] <= 0xDFFF
                       && !isReserved(QChar::surrogateToUcs4(u, o[i + 1]))) {
                fixed.append(QChar(u));
                fixed.append(QChar(o[++i]));
            } else {
                appendCodePoint(fixed, kLoneUnitBase + (u - 0xD800));
            }
        }
        out = std::move(fixed);
    }
    if (bytes.size() % 2 != 0)
        appendCodePoint(out, kRawByteBase + std::uint8_t(bytes.back()));
    return out;
}

// Calls `ordinary(from, to)` for each stretch of ordinary text and `special(index, c)` for
// each reserved code point or lone surrogate (c is then the lone unit), in order.
template <class Ordinary, class Special>
void splitAtReserved(QStringView text, Ordinary&& ordinary, Special&& special)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0xD800 || u > 0xDFFF)
            continue;
        const bool pair = u <= 0xDBFF && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(u, text[i + 1].unicode()) : char32_t(u);
        if (pair && !isReserved(c)) {
            ++i;
            continue;
        }
        ordinary(from, i);
        special(i, c);
        i += pair ? 1 : 0;
        from = i + 1;
    }
    ordinary(from, text.size());
}

bool hasSurrogates(QStringView text)
{
    for (const QChar c : text) {
        if (c.isSurrogate())
            return true;
    }
    return false;
}

void encodeSpecial(QByteArray& out, qsizetype index, char32_t c, Encoding encoding,
                   std::vector<cp950::Unencodable>* misses)
{
    if (c >= kRawByteBase) {
        out.append(char(c - kRawByteBase));
        return;
    }
    const bool utf16 = encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
    if (utf16 && c >= kLoneUnitBase) {
        const char16_t u = char16_t(0xD800 + (c - kLoneUnitBase));
        const char b[2] = {char(encoding == Encoding::Utf16BE ? u >> 8 : u & 0xFF),
                           char(encoding == Encoding::Utf16BE ? u & 0xFF : u >> 8)};
        out.append(b, 2);
        return;
    }
    if (c >= kLoneUnitBase) {
        // A lone unit of a UTF-16 file has no form outside UTF-16.
        if (misses)
            misses->push_back({index, 2, out.size()});
        out.append('?');
        return;
    }
    if (misses)
        misses->push_back({index, 1, out.size()});
    if (utf16)
        out.append(encoding == Encoding::Utf16BE ? QByteArrayView("\0?", 2) : QByteArrayView("?\0", 2));
    else
        out.append('?');
}

void appendUtf16(QByteArray& out, QStringView text, bool bigEndian)
{
    const qsizetype at = out.size();
    out.resize(at + text.size() * 2);
    auto* o = reinterpret_cast<std::uint8_t*>(out.data()) + at;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        *o++ = std::uint8_t(bigEndian ? u >> 8 : u);
        *o++ = std::uint8_t(bigEndian ? u : u >> 8);
    }
}

} // namespace

QString encodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Big5: return QStringLiteral("Big5");
    case Encoding::Utf8: return QStringLiteral("UTF-8");
    case Encoding::Utf8Bom: return QStringLiteral("UTF-8 (BOM)");
    case Encoding::Utf16LE: return QStringLiteral("UTF-16 LE");
    case Encoding::Utf16BE: return QStringLiteral("UTF-16 BE");
    case Encoding::Gb18030: return QStringLiteral("GB18030");
    }
    return {};
}

bool hasByteOrderMark(Encoding encoding)
{
    return encoding == Encoding::Utf8Bom || encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
}

namespace {

QByteArrayView byteOrderMark(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8Bom: return QByteArrayView("\xEF\xBB\xBF", 3);
    case Encoding::Utf16LE: return QByteArrayView("\xFF\xFE", 2);
    case Encoding::Utf16BE: return QByteArrayView("\xFE\xFF", 2);
    default: return {};
    }
}

} // namespace

std::optional<Encoding> encodingFromBom(QByteArrayView bytes)
{
    for (Encoding e : {Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE}) {
        if (bytes.startsWith(byteOrderMark(e)))
            return e;
    }
    return std::nullopt;
}

Encoding encodingAsRequested(Encoding requested, QByteArrayView bytes)
{
    const auto bom = encodingFromBom(bytes);
    switch (requested) {
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
        return bom == Encoding::Utf8Bom ? Encoding::Utf8Bom : Encoding::Utf8;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return bom == Encoding::Utf16BE || (!bom && requested == Encoding::Utf16BE) ? Encoding::Utf16BE
                                                                                    : Encoding::Utf16LE;
    default:
        return requested;
    }
}

namespace {

// UTF-16 without a mark: NULs (the high or low byte of every ASCII character) in one parity of
// positions, hardly any in the other.
std::optional<Encoding> utf16WithoutMark(QByteArrayView bytes)
{
    qsizetype nuls[2] = {0, 0};
    const qsizetype n = qMin(bytes.size(), kDetectionSlice);
    for (qsizetype i = 0; i < n; ++i)
        nuls[i & 1] += bytes[i] == 0 ? 1 : 0;
    const qsizetype more = qMax(nuls[0], nuls[1]);
    if (more < 2 || qMin(nuls[0], nuls[1]) * 4 > more)
        return std::nullopt;
    return nuls[1] > nuls[0] ? Encoding::Utf16LE : Encoding::Utf16BE;
}

// True when the bytes after a UTF-8 mark begin with an ill-formed sequence: the mark's bytes
// are then more likely the start of a double-byte text.
bool brokenAfterMark(QByteArrayView bytes, bool ended)
{
    const auto* const p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + 3;
    const auto* const end = reinterpret_cast<const std::uint8_t*>(bytes.data()) + bytes.size();
    if (p >= end || *p < 0x80)
        return false;
    qsizetype ignored = 0;
    if (utf8::walk(p, end, 0, &ignored) != p)
        return false;
    return ended || end - p >= 4 || !utf8::startsTruncatedSequence(p, end);
}

} // namespace

void EncodingDetector::survey(QByteArrayView bytes, bool ended)
{
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = begin + bytes.size();
    const std::uint8_t* p = begin + at_;
    while (p < end) {
        p = utf8::walk(p, end, std::numeric_limits<qsizetype>::max(), &multiByte_);
        if (p == end)
            break;
        if (!ended && end - p < 4 && utf8::startsTruncatedSequence(p, end))
            break;   // the rest of the sequence may come with the next slice
        ++stray_;
        for (++p; p < end && (*p & 0xC0) == 0x80; ++p) {
        }   // the rest of a broken sequence is the same stray
    }
    at_ = p - begin;
}

void EncodingDetector::pairUp(QByteArrayView bytes, bool ended)
{
    // utf8::readsAsDoubleByte a piece at a time: a lead byte at the end waits for its trail.
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = begin + bytes.size();
    const std::uint8_t* p = begin + pairAt_;
    while (pairsUp_ && p < end) {
        if (*p < 0x80) {
            // ASCII a word at a time: an ASCII or UTF-8 file is mostly that.
            for (++p; end - p >= 8; p += 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080u)
                    break;
            }
            continue;
        }
        if (end - p < 2 && !ended)
            break;
        const unsigned t = end - p < 2 ? 0 : p[1];
        if (*p == 0x80 || *p == 0xFF || !((t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE)))
            pairsUp_ = false;
        p += 2;
    }
    pairAt_ = pairsUp_ ? p - begin : bytes.size();
}

void EncodingDetector::forget(qsizetype bytes)
{
    at_ -= bytes;
    pairAt_ -= bytes;
}

std::optional<Encoding> EncodingDetector::decide(QByteArrayView bytes, bool ended)
{
    if (!started_) {
        if (bytes.size() < 3 && !ended)
            return std::nullopt;   // a mark may still be coming
        started_ = true;
        for (Encoding e : {Encoding::Utf16LE, Encoding::Utf16BE}) {
            if (bytes.startsWith(byteOrderMark(e)))
                return e;
        }
        if (const auto utf16 = utf16WithoutMark(bytes))
            return utf16;
        mark_ = bytes.startsWith(byteOrderMark(Encoding::Utf8Bom));
        at_ = mark_ ? 3 : 0;
        if (mark_ && !brokenAfterMark(bytes, ended))
            return Encoding::Utf8Bom;
    }
    survey(bytes, ended);
    if (stray_ > 0 && !clearlyUtf8())
        return Encoding::Big5;   // a mark that its text does not fit says nothing either
    if (multiByte_ < 4)
        pairUp(bytes, ended);
    else
        pairAt_ = bytes.size();   // no longer asked
    if (!ended)
        return std::nullopt;
    plain_ = stray_ == 0;
    if (mark_)
        return Encoding::Utf8Bom;
    if (stray_ > 0)
        return Encoding::Utf8;
    if (multiByte_ == 0 || (multiByte_ < 4 && pairsUp_))
        return Encoding::Big5;   // nothing to tell, or too short to tell
    return Encoding::Utf8;
}

Encoding detectEncoding(QByteArrayView bytes)
{
    EncodingDetector detector;
    for (qsizetype read = qMin(bytes.size(), kDetectionSlice);; read = qMin(bytes.size(), read + kDetectionSlice)) {
        if (const auto e = detector.decide(bytes.first(read), read == bytes.size()))
            return *e;
    }
}

bool isPlainUtf8(QByteArrayView bytes)
{
    qsizetype ignored = 0;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return utf8::walk(p, p + bytes.size(), 0, &ignored) == p + bytes.size();   // reserved code points count as ill-formed there
}

QString decodeText(QByteArrayView bytes, Encoding encoding, bool atStart)
{
    const QByteArrayView body = atStart && bytes.startsWith(byteOrderMark(encoding)) && hasByteOrderMark(encoding)
                                    ? bytes.sliced(byteOrderMark(encoding).size())
                                    : bytes;
    switch (encoding) {
    case Encoding::Big5: return cp950::decode(bytes);
    case Encoding::Utf8:
    case Encoding::Utf8Bom: return utf8::decode(body);
    case Encoding::Utf16LE: return decodeUtf16(body, false);
    case Encoding::Utf16BE: return decodeUtf16(body, true);
    case Encoding::Gb18030: return gb18030::decode(body);
    }
    return {};
}

QByteArray encodeText(QStringView text, Encoding encoding, std::vector<cp950::Unencodable>* misses, bool atStart)
{
    if (encoding == Encoding::Big5)
        return cp950::encode(text, misses);
    QByteArray out(atStart ? byteOrderMark(encoding).toByteArray() : QByteArray());
    const bool utf8 = encoding == Encoding::Utf8 || encoding == Encoding::Utf8Bom;
    if (utf8 && !hasSurrogates(text)) {
        out += text.toUtf8();
        return out;
    }
    std::unique_ptr<gb18030::Encoder> gb;
    if (encoding == Encoding::Gb18030)
        gb = std::make_unique<gb18030::Encoder>();
    out.reserve(out.size() + text.size() * (utf8 ? 3 : 2));
    const qsizetype bom = out.size();
    splitAtReserved(
        text,
        [&](qsizetype from, qsizetype to) {
            const QStringView part = text.sliced(from, to - from);
            if (utf8)
                out += part.toUtf8();
            else if (gb)
                gb->append(out, part);
            else
                appendUtf16(out, part, encoding == Encoding::Utf16BE);
        },
        [&](qsizetype index, char32_t c) {
            const qsizetype before = misses ? qsizetype(misses->size()) : 0;
            encodeSpecial(out, index, c, encoding, misses);
            // Miss offsets count from the text's first byte, after any byte-order mark.
            if (misses && qsizetype(misses->size()) > before)
                misses->back().byteOffset -= bom;
        });
    return out;
}

} // namespace document
