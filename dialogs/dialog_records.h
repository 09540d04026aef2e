// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The records handed to the system's file, folder, colour and font dialogs, field
// for field in the order of the platform's 32-bit ANSI layouts. Handles and
// pointers that the dialogs only pass through are 32-bit numbers (0 = none).
//
// Texts are code page 950 bytes. A std::optional text that is empty means "no
// text" (a null pointer); otherwise the dialog reads the bytes followed by one
// terminating NUL, so a text may itself contain NULs (the filter list).
// Buffers the dialog writes into are QByteArrays of their full size.
#include "convert/codepage.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace tesmo {

using AnsiText = std::optional<QByteArray>;

// A NUL-terminated text in a dialog buffer, read up to its first NUL.
inline QString ansiString(QByteArrayView buffer)
{
    const qsizetype end = buffer.indexOf('\0');
    return cp950::decode(end < 0 ? buffer : buffer.first(end));
}

// OPENFILENAME, 76 bytes.
struct OpenFileName {
    static constexpr qint32 Size = 76;
    static constexpr qint32 AllowMultiSelect = 0x200;
    static constexpr qint32 OverwritePrompt = 0x2;
    static constexpr qint32 FileMustExist = 0x1000;

    qint32 structSize = 0;
    qint32 owner = 0;
    qint32 instance = 0;
    AnsiText filter;              // description/pattern pairs, each NUL-terminated
    AnsiText customFilter;
    qint32 maxCustomFilter = 0;
    qint32 filterIndex = 0;       // 1 = the first pair
    QByteArray file;              // in: initial name; out: the chosen path
    qint32 maxFile = 0;
    QByteArray fileTitle;         // out: the chosen name without its folder
    qint32 maxFileTitle = 0;
    AnsiText initialDir;
    AnsiText title;
    qint32 flags = 0;
    quint16 fileOffset = 0;       // out: where the name starts in `file`
    quint16 fileExtension = 0;    // out: where the extension starts in `file`
    AnsiText defaultExtension;
    qint32 customData = 0;
    qint32 hook = 0;
    AnsiText templateName;
};

// BROWSEINFO, 32 bytes. It has no size field.
struct BrowseInfo {
    qint32 owner = 0;
    qint32 root = 0;              // 0: start from the top of the namespace
    std::optional<QByteArray> displayName;  // buffer for the chosen folder's name
    AnsiText title;               // the instruction line
    qint32 flags = 0;
    qint32 callback = 0;
    qint32 callbackParam = 0;
    qint32 image = 0;
};

// CHOOSECOLOR, 36 bytes, with its table of 16 custom colours.
struct ChooseColor {
    static constexpr qint32 Size = 36;
    static constexpr qint32 RgbInit = 0x1;

    qint32 structSize = 0;
    qint32 owner = 0;
    qint32 instance = 0;
    qint32 rgbResult = 0;         // colour reference: 0x00BBGGRR
    std::array<qint32, 16> customColors{};
    qint32 flags = 0;
    qint32 customData = 0;
    qint32 hook = 0;
    AnsiText templateName;
};

// LOGFONT in its ANSI form, 60 bytes.
struct LogFont {
    static constexpr int FaceSize = 32;

    qint32 height = 0;            // positive: cell height; negative: character height
    qint32 width = 0;
    qint32 escapement = 0;
    qint32 orientation = 0;
    qint32 weight = 0;
    quint8 italic = 0;
    quint8 underline = 0;
    quint8 strikeOut = 0;
    quint8 charSet = 0;
    quint8 outPrecision = 0;
    quint8 clipPrecision = 0;
    quint8 quality = 0;
    quint8 pitchAndFamily = 0;
    std::array<char, FaceSize> faceName{};  // NUL-terminated
};

// CHOOSEFONT, 60 bytes.
struct ChooseFont {
    static constexpr qint32 Size = 60;
    static constexpr qint32 InitToLogFont = 0x40;
    static constexpr qint32 Effects = 0x100;
    static constexpr quint16 BoldType = 0x100;
    static constexpr quint16 ItalicType = 0x200;
    static constexpr quint16 RegularType = 0x400;
    static constexpr quint16 ScreenType = 0x2000;

    qint32 structSize = 0;
    qint32 owner = 0;
    qint32 deviceContext = 0;
    LogFont* logFont = nullptr;
    qint32 pointSize = 0;         // tenths of a point
    qint32 flags = 0;
    qint32 rgbColors = 0;
    qint32 customData = 0;
    qint32 hook = 0;
    AnsiText templateName;
    qint32 instance = 0;
    AnsiText style;
    quint16 fontType = 0;
    qint32 sizeMin = 0;
    qint32 sizeMax = 0;
};

} // namespace tesmo
