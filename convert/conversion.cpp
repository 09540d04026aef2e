#include "convert/conversion.h"

#include "convert/codepage.h"
#include "convert/tables.h"

#include <QtGlobal>

#include <cstring>
#include <vector>

namespace {

bool ensureTables()
{
    QString error;
    if (modBig2GB::LoadTables(&error))
        return true;
    qWarning("%s", qPrintable(error));
    return false;
}

// Eight bytes below 0x80 are eight single bytes to copy: none can start a pair.
inline bool asciiWord(const std::uint8_t* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return (w & 0x8080808080808080ULL) == 0;
}

// One scan for both directions: `minTrail` is the pair test's second byte, `cell` the table.
template <unsigned minTrail, class CellOf>
inline void scan(QByteArray& bytes, CellOf cell)
{
    const qsizetype n = bytes.size();
    if (n < 2)
        return;   // the last byte is always copied unchanged
    auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
    qsizetype i = 0;
    while (i + 1 < n) {
        if (i + 8 <= n && asciiWord(p + i)) {
            i += 8;
            continue;
        }
        const unsigned first = p[i];
        const unsigned second = p[i + 1];
        if (first < 0xA1 || second < minTrail) {
            ++i;
            continue;
        }
        if (first != 0xFF && second != 0xFF) {
            const modBig2GB::Cell c = cell(first, second);
            p[i] = c.first;
            p[i + 1] = c.second;
        }
        i += 2;
    }
}

// encode -> scan -> decode. A character code page 950 cannot hold is scanned as the single
// byte '?', which no pair test accepts as a second byte, and is put back afterwards.
template <class Scan>
QString convertText(const QString& text, Scan scanBytes)
{
    if (text.isEmpty() || !ensureTables())
        return text;
    std::vector<cp950::Unencodable> misses;
    QByteArray bytes = cp950::encode(text, &misses);
    scanBytes(bytes);
    if (misses.empty())
        return cp950::decode(bytes);

    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (const cp950::Unencodable& miss : misses) {
        out += cp950::decode(QByteArrayView(bytes).sliced(from, miss.byteOffset - from));
        out += QStringView(text).sliced(miss.textIndex, miss.textLength);
        from = miss.byteOffset + 1;
    }
    out += cp950::decode(QByteArrayView(bytes).sliced(from));
    return out;
}

} // namespace

void bigToGBBytes(QByteArray& bytes)
{
    if (!ensureTables())
        return;
    scan<0x40>(bytes, [](unsigned lead, unsigned trail) { return modBig2GB::bigCell(lead, trail); });
}

void gbToBigBytes(QByteArray& bytes)
{
    if (!ensureTables())
        return;
    scan<0xA1>(bytes, [](unsigned lead, unsigned trail) {
        return modBig2GB::gbCell(modBig2GB::gbRowKey(lead), trail);
    });
}

QString BigToGB(const QString& text)
{
    return convertText(text, bigToGBBytes);
}

QString GBToBig(const QString& text)
{
    return convertText(text, gbToBigBytes);
}
