#include "convert/findings.h"

#include "convert/tables.h"

#include <QStringList>

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void GbFindings::merge(const GbFindings& later)
{
    if (gbkPairs == 0)
        gbkLine = later.gbkLine;
    if (blanked == 0)
        blankedLine = later.blankedLine;
    gbkPairs += later.gbkPairs;
    blanked += later.blanked;
}

namespace {

bool isGbkTrail(unsigned b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// The first byte of 0x80 or more at or after p (ASCII is skipped 16 bytes at a time).
const std::uint8_t* skipAscii(const std::uint8_t* p, const std::uint8_t* end)
{
#if defined(__SSE2__)
    for (; end - p >= 16; p += 16) {
        const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        if (high != 0)
            return p + __builtin_ctz(unsigned(high));
    }
#endif
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

// Line ends in [begin, end): CR LF, a lone CR and a lone LF count one each.
qsizetype lineEnds(const std::uint8_t* begin, const std::uint8_t* end, const std::uint8_t* textEnd)
{
    qsizetype n = 0;
    for (const std::uint8_t* p = begin; p < end; ++p)
        n += *p == '\n' || (*p == '\r' && (p + 1 >= textEnd || p[1] != '\n'));
    return n;
}

} // namespace

GbFindings surveyGbBytes(QByteArrayView bytes, qsizetype firstLine)
{
    using namespace modBig2GB;
    GbFindings f;
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = begin + bytes.size();
    const bool haveTables = tablesLoaded();
    const std::uint8_t* firstGbk = nullptr;
    const std::uint8_t* firstBlank = nullptr;

    // Two walks: GBK's own pair structure finds the GBK-only pairs; the scan's pair test finds
    // the cells that give the ideographic space. Lines are counted only for the first of each.
    for (const std::uint8_t* p = skipAscii(begin, end); p < end; p = skipAscii(p, end)) {
        if (*p <= 0xFE && end - p >= 2 && isGbkTrail(p[1])) {
            if ((*p < 0xA1 || p[1] < 0xA1) && f.gbkPairs++ == 0)
                firstGbk = p;
            p += 2;
        } else {
            ++p;
        }
    }
    for (const std::uint8_t* p = skipAscii(begin, end); p < end; p = skipAscii(p, end)) {
        if (*p < 0xA1 || end - p < 2 || p[1] < 0xA1) {
            ++p;
            continue;
        }
        if (haveTables && *p != 0xFF && p[1] != 0xFF && !(p[0] == 0xA1 && p[1] == 0xA1)) {
            const Cell& cell = gbCell(gbRowKey(*p), p[1]);
            if (cell.first == 0xA1 && cell.second == 0x40 && f.blanked++ == 0)
                firstBlank = p;
        }
        p += 2;
    }
    if (firstGbk)
        f.gbkLine = firstLine + lineEnds(begin, firstGbk, end);
    if (firstBlank)
        f.blankedLine = firstLine + lineEnds(begin, firstBlank, end);
    return f;
}

QString describeFindings(const GbFindings& f, const QString& gb18030Hint)
{
    QStringList parts;
    if (f.gbkPairs > 0) {
        QString s = QStringLiteral("有 %1 個 GBK 字碼不屬於 GB2312（第一個在第 %2 行），轉換後會是亂碼")
                        .arg(f.gbkPairs)
                        .arg(f.gbkLine);
        if (!gb18030Hint.isEmpty())
            s += QStringLiteral("；") + gb18030Hint;
        parts << s + QStringLiteral("。");
    }
    if (f.blanked > 0) {
        parts << QStringLiteral("有 %1 個字在 Big5 中沒有對應的字，已變成全形空白（第一個在第 %2 行）。")
                     .arg(f.blanked)
                     .arg(f.blankedLine);
    }
    return parts.join(u'\n');
}

qsizetype lineNumberAt(QStringView text, qsizetype index)
{
    qsizetype line = 1;
    for (qsizetype i = 0; i < index && i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n' || (c == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
            ++line;
    }
    return line;
}
