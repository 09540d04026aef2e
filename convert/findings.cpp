// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/findings.h"

#include "convert/tables.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace modBig2GB {

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

// Line ends in [begin, end): CR LF, a lone CR and a lone LF count one each. Branch-free, so the
// compiler can count many bytes at a time.
qsizetype lineEnds(const std::uint8_t* begin, const std::uint8_t* end, const std::uint8_t* textEnd)
{
    if (begin >= end)
        return 0;
    qsizetype n = 0;
    const std::uint8_t* const last = end - 1;   // its next byte may lie past the text
    for (const std::uint8_t* p = begin; p < last; ++p)
        n += (p[0] == '\n') | ((p[0] == '\r') & (p[1] != '\n'));
    n += *last == '\n' || (*last == '\r' && (last + 1 >= textEnd || last[1] != '\n'));
    return n;
}

// How many bytes from p on lie in 0xA1..0xFE, the bytes of GB2312's pairs (16 at a time).
qsizetype highRun(const std::uint8_t* p, const std::uint8_t* end)
{
    const std::uint8_t* const start = p;
#if defined(__SSE2__)
    // Shifted to signed bytes, 0xA1..0xFE is 0x21..0x7E.
    const __m128i bias = _mm_set1_epi8(char(0x80));
    const __m128i below = _mm_set1_epi8(0x20);
    const __m128i above = _mm_set1_epi8(0x7F);
    for (; end - p >= 16; p += 16) {
        const __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), bias);
        const __m128i in = _mm_and_si128(_mm_cmpgt_epi8(x, below), _mm_cmplt_epi8(x, above));
        const unsigned outside = ~unsigned(_mm_movemask_epi8(in)) & 0xFFFF;
        if (outside != 0)
            return (p - start) + __builtin_ctz(outside);
    }
#endif
    while (p < end && unsigned(*p - 0xA1) < 0x5E)
        ++p;
    return p - start;
}

} // namespace

namespace {

// GB2312 codes whose GBStr cell is the Big5 ideographic space although they are not the GB2312
// one: the characters 簡轉繁 blanks. Built once from the loaded table.
const std::array<std::uint8_t, 65536>& blankingCodes()
{
    static const auto codes = [] {
        auto c = std::make_unique<std::array<std::uint8_t, 65536>>();
        c->fill(0);
        for (unsigned lead = 0xA1; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
                const modBig2GB::Cell& cell = modBig2GB::gbCell(modBig2GB::gbRowKey(lead), trail);
                (*c)[lead << 8 | trail] = cell.first == 0xA1 && cell.second == 0x40 && (lead << 8 | trail) != 0xA1A1;
            }
        }
        return c;
    }();
    return *codes;
}

bool inA1toFE(std::uint8_t b) { return unsigned(b - 0xA1) < 0x5E; }

// Runs of GB2312-shaped pairs (both bytes 0xA1..0xFE) from p; returns where the run ends.
template <class Visit>
const std::uint8_t* pairRun(const std::uint8_t* p, const std::uint8_t* end, Visit visit)
{
    while (end - p >= 2 && inA1toFE(p[0]) && inA1toFE(p[1])) {
        visit(p);
        p += 2;
    }
    return p;
}

} // namespace

const std::uint8_t* GbkPairCounter::scan(QByteArrayView piece, bool* carried)
{
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(piece.data());
    const auto* const end = begin + piece.size();
    const std::uint8_t* first = nullptr;
    const std::uint8_t* p = begin;
    *carried = false;
    if (carry_) {   // a lead byte that waited for this piece: the pair it begins, if any
        if (p == end)
            return nullptr;
        if (isGbkTrail(*p)) {
            if ((carry_ < 0xA1 || *p < 0xA1) && found_.gbkPairs++ == 0)
                *carried = true;
            ++p;
        }
        carry_ = 0;
    }
    p = skipAscii(p, end);
    while (p < end) {
        p += highRun(p, end) & ~qsizetype(1);   // whole GB2312-shaped pairs, which are no GBK-only ones
        if (p >= end || *p < 0x80) {
            p = skipAscii(p, end);
            continue;
        }
        if (end - p == 1 && *p <= 0xFE) {
            carry_ = *p;   // its trail may start the next piece
            break;
        }
        if (*p <= 0xFE && isGbkTrail(p[1])) {
            if ((*p < 0xA1 || p[1] < 0xA1) && found_.gbkPairs++ == 0)
                first = p;
            p += 2;
        } else {
            ++p;
        }
    }
    return first;
}

void GbkPairCounter::feed(QByteArrayView piece)
{
    bool carried = false;
    const std::uint8_t* const first = scan(piece, &carried);
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(piece.data());
    const auto* const end = begin + piece.size();
    if (carried)
        found_.gbkLine = line_;   // the carried byte is no line end
    else if (first)
        found_.gbkLine = line_ + lineEnds(begin, first, end);
    line_ += lineEnds(begin, carry_ ? end - 1 : end, end);
}

void GbkPairCounter::feedAt(QByteArrayView piece, qsizetype firstLine)
{
    bool carried = false;
    const std::uint8_t* const first = scan(piece, &carried);
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(piece.data());
    if (carried)
        found_.gbkLine = firstLine;
    else if (first)
        found_.gbkLine = firstLine + lineEnds(begin, first, begin + piece.size());
}

GbFindings surveyBlanked(QByteArrayView bytes, qsizetype firstLine)
{
    GbFindings f;
    QString error;
    if (!modBig2GB::LoadTables(&error))   // once loaded, this only reads a flag
        return f;
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = begin + bytes.size();
    const std::uint8_t* firstBlank = nullptr;
    const auto& blanking = blankingCodes();
    for (const std::uint8_t* p = skipAscii(begin, end); p < end; p = skipAscii(p, end)) {
        qsizetype found = 0;
        const std::uint8_t* run = p;
        p = pairRun(p, end, [&](const std::uint8_t* at) { found += blanking[at[0] << 8 | at[1]]; });
        if (found > 0 && f.blanked == 0) {
            for (firstBlank = run; !blanking[firstBlank[0] << 8 | firstBlank[1]]; firstBlank += 2) {
            }
        }
        f.blanked += found;
        // Where the run stopped: a pair with 0xFF in it (the scan passes it on whole), or a
        // byte that starts none.
        if (p < end && *p >= 0x80)
            p += *p >= 0xA1 && end - p >= 2 && p[1] >= 0xA1 ? 2 : 1;
    }
    if (firstBlank)
        f.blankedLine = firstLine + lineEnds(begin, firstBlank, end);
    return f;
}

GbFindings surveyGbBytes(QByteArrayView bytes, qsizetype firstLine)
{
    GbkPairCounter gbk(firstLine);
    gbk.feed(bytes);
    GbFindings f = surveyBlanked(bytes, firstLine);
    f.gbkPairs = gbk.findings().gbkPairs;
    f.gbkLine = gbk.findings().gbkLine;
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

} // namespace modBig2GB
