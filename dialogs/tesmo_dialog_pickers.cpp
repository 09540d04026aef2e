// SPDX-License-Identifier: GPL-3.0-or-later
// The folder, colour and font dialogs of TesmoDialog.
#include "dialogs/tesmo_dialog.h"

#include "convert/codepage.h"
#include "dialogs/dialog_platform.h"
#include "dialogs/font_record.h"
#include "dialogs/tesmo_error.h"

#include <QDir>

#include <cstdlib>

namespace {

constexpr int folderBufferLength = 255;
// Custom colours the dialog offers before the user defines any.
constexpr qint32 white = 0xFFFFFF;

// Keeps the three colour bytes of a value and drops the rest.
qint32 rebuiltColor(qint32 value)
{
    const qint64 v = std::llabs(qint64(value));
    const qint64 red = v % 256;
    const qint64 green = (v / 256) % 256;
    const qint64 blue = (v / 256 / 256) % 256;
    return qint32(red + 256 * green + 256 * 256 * blue);
}

} // namespace

QString TesmoDialog::ShowDir()
{
    tesmo::BrowseInfo info;
    info.owner = hWnd_;
    info.title = cp950::encode(title_ + QChar(u'\0'));
    info.flags = dirFlags_;
    QByteArray buffer(folderBufferLength, '\0');
    if (!platform_->browseForFolder(info, buffer))
        return cancelled() ? lastDirName_ : QString();

    QString path = tesmo::ansiString(buffer);
    if (!path.endsWith(QDir::separator()))
        path.append(QDir::separator());
    lastDirName_ = path;
    return lastDirName_;
}

qint32 TesmoDialog::ShowColor()
{
    tesmo::ChooseColor record;
    record.structSize = tesmo::ChooseColor::Size;
    record.owner = hWnd_;
    record.instance = platform_->moduleInstance();
    record.rgbResult = 0;
    record.customColors.fill(white);
    record.flags = colorFlags_;
    if (!platform_->chooseColor(record)) {
        if (cancelError_) {
            TesmoError::raiseCancelled();
            return 0;
        }
        return backLastName_ ? lastColor_ : -1;
    }
    lastColor_ = rebuiltColor(record.rgbResult);
    return lastColor_;
}

bool TesmoDialog::ShowFont()
{
    if (!defFont_) {
        TesmoError::raise(TesmoError::NoObject, QString::fromUtf16(u"物件變數或 With 區塊變數未設定"));
        return false;
    }
    const StdFont& start = *defFont_;
    tesmo::LogFont font = tesmo::logFontFrom(start);
    tesmo::ChooseFont record;
    record.instance = platform_->moduleInstance();
    record.owner = hWnd_;
    record.flags = fontFlags_;
    record.pointSize = tesmo::pointSizeTenthsFor(start.sizeTenThousandths());
    record.fontType = (start.bold() ? tesmo::ChooseFont::BoldType : 0)
                      | (start.italic() ? tesmo::ChooseFont::ItalicType : 0);
    record.rgbColors = foreColor_;
    record.structSize = tesmo::ChooseFont::Size;
    record.logFont = &font;
    if (!platform_->chooseFont(record)) {
        if (cancelError_)
            TesmoError::raiseCancelled();
        return false;
    }
    lastFont_ = tesmo::stdFontFrom(record, font);
    lastForeColor_ = record.rgbColors;
    return true;
}
