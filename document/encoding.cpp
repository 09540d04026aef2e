#include "document/encoding.h"

#include "convert/huge_pages.h"

#include <QStringDecoder>

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace document {
namespace {

constexpr char32_t kRawByteBase = 0x10FF00;
constexpr char32_t kLoneUnitBase = 0x10F000;   // + (unit - 0xD800), up to U+10F7FF

bool isReserved(char32_t c) { return c >= kLoneUnitBase && (c <= kLoneUnitBase + 0x7FF || c >= kRawByteBase); }

void appendCodePoint(QString& out, char32_t c)
{
    if (c < 0x10000) {
        out.append(QChar(char16_t(c)));
    } else {
        const char16_t pair[2] = {char16_t(0xD800 + ((c - 0x10000) >> 10)), char16_t(0xDC00 + ((c - 0x10000) & 0x3FF))};
        out.append(QStringView(pair, 2));
    }
}

// Number of leading ASCII bytes of [p, end).
qsizetype asciiRun(const std::uint8_t* p, const std::uint8_t* end)
{
    const std::uint8_t* const start = p;
#if defined(__SSE2__)
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int high = _mm_movemask_epi8(v);
        if (high != 0)
            return (p - start) + __builtin_ctz(unsigned(high));
        p += 16;
    }
#endif
    while (p < end && *p < 0x80)
        ++p;
    return p - start;
}

// Length of the well-formed UTF-8 sequence at p (2 to 4), or 0 when the byte there starts
// none. A sequence for a reserved code point counts as not well formed, so its bytes are
// kept as raw bytes and written back as they were.
int utf8Sequence(const std::uint8_t* p, const std::uint8_t* end)
{
    const unsigned b0 = p[0];
    const auto cont = [&](int i) { return end - p > i && (p[i] & 0xC0) == 0x80; };
    if (b0 >= 0xC2 && b0 <= 0xDF)
        return cont(1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (!cont(1) || !cont(2))
            return 0;
        if ((b0 == 0xE0 && p[1] < 0xA0) || (b0 == 0xED && p[1] >= 0xA0))
            return 0;   // overlong, or a surrogate
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3))
            return 0;
        if ((b0 == 0xF0 && p[1] < 0x90) || (b0 == 0xF4 && p[1] >= 0x90))
            return 0;   // overlong, or beyond U+10FFFF
        const char32_t c = (char32_t(b0 & 7) << 18) | (char32_t(p[1] & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6)
                           | char32_t(p[3] & 0x3F);
        return isReserved(c) ? 0 : 4;
    }
    return 0;
}

// True when [p, end) is the beginning of a well-formed sequence that continues past `end`.
bool startsTruncatedSequence(const std::uint8_t* p, const std::uint8_t* end)
{
    const unsigned b0 = p[0];
    const int length = b0 >= 0xC2 && b0 <= 0xDF ? 2 : b0 >= 0xE0 && b0 <= 0xEF ? 3 : b0 >= 0xF0 && b0 <= 0xF4 ? 4 : 0;
    if (length == 0 || end - p >= length)
        return false;
    for (const std::uint8_t* q = p + 1; q < end; ++q) {
        if ((*q & 0xC0) != 0x80)
            return false;
    }
    return true;
}

struct Utf8Survey {
    bool valid = true;
    qsizetype multiByte = 0;   // sequences of two bytes or more, up to `enough`
};

// Walks well-formed UTF-8 from p and returns where it stopped: `end`, or the first byte of a
// sequence that is ill-formed or cut off by the end. Counts multi-byte sequences up to `enough`.
const std::uint8_t* walkUtf8(const std::uint8_t* p, const std::uint8_t* end, qsizetype enough, qsizetype* multiByte)
{
    while (p < end) {
        p += asciiRun(p, end);
        if (p >= end)
            break;
        const int n = utf8Sequence(p, end);
        if (n == 0)
            return p;
        if (*multiByte < enough)
            ++*multiByte;
        p += n;
    }
    return end;
}

Utf8Survey surveyUtf8(QByteArrayView bytes, qsizetype enough)
{
    Utf8Survey s;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    s.valid = walkUtf8(p, p + bytes.size(), enough, &s.multiByte) == p + bytes.size();
    return s;
}

// True when every byte of 0x80 or more pairs up as a double-byte lead (0x81..0xFE) and trail
// (0x40..0x7E, 0xA1..0xFE), as a Big5 or GBK text would.
bool readsAsDoubleByte(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        if (*p == 0x80 || *p == 0xFF || end - p < 2)
            return false;
        const unsigned t = p[1];
        if (!((t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE)))
            return false;
        p += 2;
    }
    return true;
}

// QString::fromUtf8 drops byte-order marks at the start of what it is given; here a mark is
// part of the text (a file read as UTF-8 without one, or a stretch after a stray byte).
QString fromUtf8KeepingMark(QByteArrayView bytes, bool* hadError = nullptr)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    QString text(decoder.requiredSpace(bytes.size()), Qt::Uninitialized);
    preferHugePages(text.data(), text.size() * 2);
    const QChar* end = decoder.appendToBuffer(text.data(), bytes);
    text.truncate(end - text.constData());
    if (hadError)
        *hadError = decoder.hasError();
    return text;
}

// True when the text holds a code point of the last planes (U+F0000 on), where the reserved
// ones lie: a valid file that holds one is read again byte by byte.
bool reachesReservedPlanes(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0xDB80 && c.unicode() <= 0xDBFF; });
}

QString decodeUtf8(QByteArrayView bytes)
{
    // The usual file is valid UTF-8: one pass through Qt's decoder.
    bool hadError = false;
    QString text = fromUtf8KeepingMark(bytes, &hadError);
    if (!hadError && !reachesReservedPlanes(text))
        return text;
    // Valid stretches as they are, each other byte as its reserved code point.
    QString out;
    out.reserve(bytes.size());
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* p = begin;
    const auto* const end = p + bytes.size();
    const auto* run = p;
    while (p < end) {
        p += asciiRun(p, end);
        if (p >= end)
            break;
        if (const int n = utf8Sequence(p, end)) {
            p += n;
            continue;
        }
        out += fromUtf8KeepingMark(bytes.sliced(run - begin, p - run));
        appendCodePoint(out, kRawByteBase + *p);
        run = ++p;
    }
    out += fromUtf8KeepingMark(bytes.sliced(run - begin));
    return out;
}

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

// ICU's converter for GB18030, with every byte it cannot read kept as a reserved code point.
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

QString decodeGb18030(QByteArrayView bytes);

QString decodeGb18030Piecewise(QByteArrayView bytes, const std::vector<qsizetype>& reserved)
{
    QString out;
    qsizetype from = 0;
    for (qsizetype at : reserved) {
        out += decodeGb18030(bytes.sliced(from, at - from));
        for (qsizetype k = at; k < at + 4; ++k)
            appendCodePoint(out, kRawByteBase + std::uint8_t(bytes[k]));
        from = at + 4;
    }
    return out + decodeGb18030(bytes.sliced(from));
}

QString decodeGb18030(QByteArrayView bytes)
{
    if (const std::vector<qsizetype> reserved = reservedFourByteCodes(bytes); !reserved.empty())
        return decodeGb18030Piecewise(bytes, reserved);
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

void appendGb18030(QByteArray& out, QStringView text, IcuConverter& icu)
{
    if (text.isEmpty())
        return;
    const qsizetype at = out.size();
    out.resize(at + text.size() * 4);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(icu.cnv, out.data() + at, int32_t(text.size() * 4),
                                      reinterpret_cast<const UChar*>(text.data()), int32_t(text.size()), &status);
    if (U_FAILURE(status))
        throw std::runtime_error("GB18030 encoding failed");
    out.truncate(at + n);
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

Encoding detectEncoding(QByteArrayView bytes)
{
    if (const auto bom = encodingFromBom(bytes))
        return *bom;
    constexpr qsizetype kEnough = 4;
    const Utf8Survey s = surveyUtf8(bytes, kEnough);
    if (!s.valid || s.multiByte == 0)
        return Encoding::Big5;
    if (s.multiByte < kEnough && readsAsDoubleByte(bytes))
        return Encoding::Big5;   // too short to tell
    return Encoding::Utf8;
}

bool isPlainUtf8(QByteArrayView bytes)
{
    return surveyUtf8(bytes, 0).valid;   // reserved code points count as ill-formed there
}

bool stillValidUtf8(QByteArrayView bytes, qsizetype from, qsizetype* resume)
{
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = begin + bytes.size();
    qsizetype ignored = 0;
    const std::uint8_t* stop = walkUtf8(begin + from, end, 0, &ignored);
    // Ill-formed, unless the bytes that are there begin a sequence the end cut off.
    if (stop != end && (end - stop >= 4 || !startsTruncatedSequence(stop, end)))
        return false;
    *resume = stop - begin;
    return true;
}

QString decodeText(QByteArrayView bytes, Encoding encoding)
{
    const QByteArrayView body = bytes.startsWith(byteOrderMark(encoding)) && hasByteOrderMark(encoding)
                                    ? bytes.sliced(byteOrderMark(encoding).size())
                                    : bytes;
    switch (encoding) {
    case Encoding::Big5: return cp950::decode(bytes);
    case Encoding::Utf8:
    case Encoding::Utf8Bom: return decodeUtf8(body);
    case Encoding::Utf16LE: return decodeUtf16(body, false);
    case Encoding::Utf16BE: return decodeUtf16(body, true);
    case Encoding::Gb18030: return decodeGb18030(body);
    }
    return {};
}

QByteArray encodeText(QStringView text, Encoding encoding, std::vector<cp950::Unencodable>* misses)
{
    if (encoding == Encoding::Big5)
        return cp950::encode(text, misses);
    QByteArray out(byteOrderMark(encoding).toByteArray());
    const bool utf8 = encoding == Encoding::Utf8 || encoding == Encoding::Utf8Bom;
    if (utf8 && !hasSurrogates(text)) {
        out += text.toUtf8();
        return out;
    }
    std::unique_ptr<IcuConverter> icu;
    if (encoding == Encoding::Gb18030)
        icu = std::make_unique<IcuConverter>("gb18030");
    out.reserve(out.size() + text.size() * (utf8 ? 3 : 2));
    const qsizetype bom = out.size();
    splitAtReserved(
        text,
        [&](qsizetype from, qsizetype to) {
            const QStringView part = text.sliced(from, to - from);
            if (utf8)
                out += part.toUtf8();
            else if (icu)
                appendGb18030(out, part, *icu);
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
