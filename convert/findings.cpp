#include "convert/findings.h"

#include "convert/tables.h"

#include <QStringList>

#include <cstdint>

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

bool endsLine(const std::uint8_t* p, const std::uint8_t* end)
{
    return *p == '\n' || (*p == '\r' && (p + 1 >= end || p[1] != '\n'));
}

bool isGbkTrail(unsigned b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

} // namespace

GbFindings surveyGbBytes(QByteArrayView bytes, qsizetype firstLine)
{
    using namespace modBig2GB;
    GbFindings f;
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = begin + bytes.size();
    const bool haveTables = tablesLoaded();

    // Two walks: GBK's own pair structure finds the GBK-only pairs; the scan's pair test
    // finds the cells that give the ideographic space.
    qsizetype line = firstLine;
    for (const std::uint8_t* p = begin; p < end;) {
        if (*p < 0x80) {
            line += endsLine(p, end) ? 1 : 0;
            ++p;
        } else if (*p <= 0xFE && end - p >= 2 && isGbkTrail(p[1])) {
            if ((*p < 0xA1 || p[1] < 0xA1) && f.gbkPairs++ == 0)
                f.gbkLine = line;
            p += 2;
        } else {
            ++p;
        }
    }
    line = firstLine;
    for (const std::uint8_t* p = begin; p < end;) {
        if (*p < 0xA1 || end - p < 2 || p[1] < 0xA1) {
            line += endsLine(p, end) ? 1 : 0;
            ++p;
            continue;
        }
        if (haveTables && *p != 0xFF && p[1] != 0xFF && !(p[0] == 0xA1 && p[1] == 0xA1)) {
            const Cell& cell = gbCell(gbRowKey(*p), p[1]);
            if (cell.first == 0xA1 && cell.second == 0x40 && f.blanked++ == 0)
                f.blankedLine = line;
        }
        p += 2;
    }
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
