// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/dialog_answers.h"

#include "convert/codepage.h"
#include "dialogs/font_record.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace tesmo {

namespace {
// The text-height scale the records use: 96 pixels to 72 points.
constexpr double pixelsPerPoint = 96.0 / 72.0;
} // namespace

QStringList nameFiltersOf(const AnsiText& filter)
{
    QStringList result;
    if (!filter)
        return result;
    const QStringList parts = cp950::decode(*filter).split(QChar(u'\0'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() || parts[i + 1].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result.append(parts[i] + QLatin1String(" (") + patterns + QLatin1Char(')'));
    }
    return result;
}

bool writeChosenFiles(OpenFileName& record, const QStringList& paths)
{
    if (paths.isEmpty())
        return false;
    QStringList native;
    for (const QString& path : paths) {
        native.append(QDir::toNativeSeparators(path));
        if (!cp950::canEncode(native.back()))
            return false;
    }
    const QFileInfo first(paths.front());
    const bool list = (record.flags & OpenFileName::AllowMultiSelect) && paths.size() > 1;
    QByteArray out;
    quint16 nameOffset;
    if (list) {
        out = cp950::encode(QDir::toNativeSeparators(first.absolutePath())) + '\0';
        nameOffset = quint16(out.size());
        for (const QString& path : paths)
            out += cp950::encode(QFileInfo(path).fileName()) + '\0';
    } else {
        out = cp950::encode(native.front());
        nameOffset = quint16(out.size() - cp950::encode(first.fileName()).size());
    }
    out += '\0';
    const qsizetype room = std::min<qsizetype>(record.maxFile, record.file.size());
    if (out.size() > room)
        return false;
    std::copy(out.begin(), out.end(), record.file.begin());

    record.fileOffset = nameOffset;
    const qsizetype dot = list ? -1 : out.lastIndexOf('.');
    record.fileExtension = dot > nameOffset ? quint16(dot + 1) : 0;
    const QByteArray title = cp950::encode(first.fileName()) + '\0';
    if (title.size() <= std::min<qsizetype>(record.maxFileTitle, record.fileTitle.size()))
        std::copy(title.begin(), title.end(), record.fileTitle.begin());
    return true;
}

bool writeFolderPath(QByteArray& buffer, const QString& path)
{
    const QString native = QDir::toNativeSeparators(path);
    if (!cp950::canEncode(native))
        return false;
    const QByteArray out = cp950::encode(native) + '\0';
    if (out.size() > buffer.size())
        buffer.resize(out.size());
    std::copy(out.begin(), out.end(), buffer.begin());
    return true;
}

QColor colorOf(qint32 colorRef)
{
    return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

qint32 colorRefOf(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

QFont qFontOf(const LogFont& font)
{
    QFont result(faceNameOf(font));
    if (font.height != 0)
        result.setPointSizeF(std::abs(font.height) / pixelsPerPoint);
    if (font.weight > 0)
        result.setWeight(QFont::Weight(std::clamp<qint32>(font.weight, 1, 1000)));
    result.setItalic(font.italic != 0);
    result.setUnderline(font.underline != 0);
    result.setStrikeOut(font.strikeOut != 0);
    return result;
}

void writeChosenFont(ChooseFont& record, const QFont& font)
{
    if (record.logFont) {
        LogFont& out = *record.logFont;
        writeFaceName(out, font.family());
        out.height = -qint32(std::lround(font.pointSizeF() * pixelsPerPoint));
        out.weight = font.weight();
        out.italic = font.italic() ? 1 : 0;
        out.underline = font.underline() ? 1 : 0;
        out.strikeOut = font.strikeOut() ? 1 : 0;
    }
    record.pointSize = qint32(std::lround(font.pointSizeF() * 10));
    quint16 type = ChooseFont::ScreenType;
    if (font.weight() >= QFont::Bold)
        type |= ChooseFont::BoldType;
    if (font.italic())
        type |= ChooseFont::ItalicType;
    if (!(type & (ChooseFont::BoldType | ChooseFont::ItalicType)))
        type |= ChooseFont::RegularType;
    record.fontType = type;
}

} // namespace tesmo
