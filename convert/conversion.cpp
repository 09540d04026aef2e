// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/conversion.h"

#include "convert/codepage.h"
#include "convert/pair_scan.h"
#include "convert/tables.h"

#include <QtGlobal>

#include <memory>
#include <vector>

namespace {

using ByteScan = qsizetype (*)(std::uint8_t*, qsizetype);

bool ensureTables()
{
    QString error;
    if (modBig2GB::LoadTables(&error))
        return true;
    qWarning("%s", qPrintable(error));
    return false;
}

// The plain road: encode -> scan -> decode. A character code page 950 cannot hold is scanned
// as the single byte '?', which no pair test takes as a second byte, and is put back after.
QString convertSegment(QStringView text, ByteScan scan)
{
    std::vector<cp950::Unencodable> misses;
    QByteArray bytes = cp950::encode(text, &misses);
    scan(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
    if (misses.empty())
        return cp950::decode(bytes);
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (const cp950::Unencodable& miss : misses) {
        out += cp950::decode(QByteArrayView(bytes).sliced(from, miss.byteOffset - from));
        out += text.sliced(miss.textIndex, miss.textLength);
        from = miss.byteOffset + 1;
    }
    out += cp950::decode(QByteArrayView(bytes).sliced(from));
    return out;
}

// What the plain road makes of one BMP character when the scan meets it at a pair boundary
// and leaves the next character at a pair boundary too; 0 when that does not hold (the
// character is not in code page 950, is one lone byte >= 0xA1, or its second byte could start
// a pair with the next character). Built once per direction from the loaded tables.
class CharResults {
public:
    CharResults(ByteScan scan, unsigned minTrail)
        : result_(new char16_t[65536]())
    {
        for (char32_t c = 0x80; c < 0x10000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const QChar ch{char16_t(c)};
            std::vector<cp950::Unencodable> misses;
            QByteArray bytes = cp950::encode(QStringView(&ch, 1), &misses);
            if (!misses.empty() || !endsAtPairBoundary(bytes, minTrail))
                continue;
            scan(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
            const QString out = cp950::decode(bytes);
            if (out.size() == 1)
                result_[c] = out.at(0).unicode();
        }
    }

    char16_t operator[](char16_t c) const { return result_[c]; }

private:
    // Does the scan, starting at the first byte, finish exactly at the last one?
    static bool endsAtPairBoundary(const QByteArray& bytes, unsigned minTrail)
    {
        const auto first = std::uint8_t(bytes.front());
        const auto last = std::uint8_t(bytes.back());
        if (bytes.size() == 2 && first >= 0xA1 && last >= minTrail)
            return true;   // one pair
        return last < 0xA1;   // otherwise the last byte is scanned as a first byte
    }

    std::unique_ptr<char16_t[]> result_;
};

// One pass over the text with the per-character results; wherever they do not apply, the
// plain road takes over up to the next character below 0x40 (CR, LF, digits, space...): such
// a byte can never be a second byte, so the scan is at a pair boundary again after it.
QString convertText(const QString& text, ByteScan scan, const CharResults& results)
{
    const qsizetype n = text.size();
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    QString out(n, Qt::Uninitialized);
    qsizetype used = 0;
    qsizetype k = 0;
    while (k < n) {
        char16_t* o = reinterpret_cast<char16_t*>(out.data());
        while (k < n) {
            const char16_t c = in[k];
            const char16_t r = c < 0x80 ? c : results[c];
            if (r == 0 && c != 0)
                break;
            o[used++] = r;
            ++k;
        }
        if (k == n)
            break;
        qsizetype end = k + 1;
        while (end < n && in[end] >= 0x40)
            ++end;
        end = qMin(end + 1, n);
        const QString segment = convertSegment(QStringView(text).sliced(k, end - k), scan);
        const qsizetype room = used + segment.size() + (n - end);
        if (room > out.size())
            out.resize(room);
        std::copy(segment.cbegin(), segment.cend(), out.begin() + used);
        used += segment.size();
        k = end;
    }
    out.truncate(used);
    return out;
}

} // namespace

namespace modBig2GB {

void bigToGBBytes(QByteArray& bytes)
{
    if (ensureTables())
        scanBigPairs(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
}

void gbToBigBytes(QByteArray& bytes)
{
    if (ensureTables())
        scanGBPairs(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
}

QString BigToGB(const QString& text)
{
    if (text.isEmpty() || !ensureTables())
        return text;
    static const CharResults results(scanBigPairs, kBigFirstTrail);
    return convertText(text, scanBigPairs, results);
}

QString GBToBig(const QString& text)
{
    if (text.isEmpty() || !ensureTables())
        return text;
    static const CharResults results(scanGBPairs, kGBFirstTrail);
    return convertText(text, scanGBPairs, results);
}

} // namespace modBig2GB
