// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/font_record.h"

#include "convert/codepage.h"

#include <algorithm>

namespace tesmo {

qint64 roundHalfEven(qint64 num, qint64 den)
{
    qint64 q = num / den;
    qint64 r = num % den;
    if (r < 0) {   // floor division, so the remainder is in [0, den)
        q -= 1;
        r += den;
    }
    if (2 * r > den || (2 * r == den && q % 2 != 0))
        ++q;
    return q;
}

qint32 cellHeightFor(qint64 sizeTenThousandths)
{
    return qint32(roundHalfEven(sizeTenThousandths * 4, 3 * 10000));
}

qint32 pointSizeTenthsFor(qint64 sizeTenThousandths)
{
    return qint32(roundHalfEven(sizeTenThousandths * 10, 10000));
}

void writeFaceName(LogFont& font, const QString& name)
{
    font.faceName.fill('\0');
    const int room = LogFont::FaceSize - 1;
    int used = 0;
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype length = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QByteArray bytes = cp950::encode(QStringView(name).mid(i, length));
        if (used + bytes.size() > room)
            break;
        std::copy(bytes.begin(), bytes.end(), font.faceName.begin() + used);
        used += int(bytes.size());
        i += length;
    }
}

QString faceNameOf(const LogFont& font)
{
    return ansiString(QByteArrayView(font.faceName.data(), qsizetype(font.faceName.size())));
}

LogFont logFontFrom(const StdFont& font)
{
    LogFont record;
    writeFaceName(record, font.name());
    record.italic = font.italic() ? 255 : 0;
    record.underline = font.underline() ? 255 : 0;
    record.strikeOut = font.strikethrough() ? 255 : 0;
    record.weight = font.weight();
    record.height = cellHeightFor(font.sizeTenThousandths());
    record.charSet = quint8(font.charset());
    return record;
}

StdFontRef stdFontFrom(const ChooseFont& record, const LogFont& font)
{
    auto chosen = std::make_shared<StdFont>();
    chosen->setName(faceNameOf(font));
    chosen->setSizeTenThousandths(qint64(record.pointSize) * 1000);   // tenths of a point
    chosen->setBold(record.fontType & ChooseFont::BoldType);
    chosen->setItalic(record.fontType & ChooseFont::ItalicType);
    chosen->setUnderline(font.underline != 0);
    chosen->setStrikethrough(font.strikeOut != 0);
    return chosen;
}

} // namespace tesmo
