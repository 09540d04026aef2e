// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/tesmo_dialog.h"

#include "convert/codepage.h"
#include "dialogs/dialog_platform.h"
#include "dialogs/tesmo_error.h"

namespace {

constexpr int fileBufferLength = 256;
constexpr int fileBufferMax = 255;

// Unset stays "no text"; everything else goes over in the code page.
tesmo::AnsiText ansi(const QString& text)
{
    if (text.isNull())
        return std::nullopt;
    return cp950::encode(text);
}

} // namespace

TesmoDialog::TesmoDialog()
    : platform_(&tesmo::systemDialogPlatform())
{
}

TesmoDialog::TesmoDialog(tesmo::DialogPlatform& platform)
    : platform_(&platform)
{
}

void TesmoDialog::setFilter(const QString& filter)
{
    // Built aside and swapped in, so no assignment leaves half a dialog form.
    QString form;
    if (!filter.isEmpty()) {
        form = filter;
        form.replace(QLatin1Char('|'), QChar(u'\0'));
        if (form.back() != QChar(u'\0'))
            form.append(QChar(u'\0'));
    } else {
        form = QLatin1String("");
    }
    filter_ = filter;
    filterDialogForm_ = form;
}

bool TesmoDialog::cancelled() const
{
    if (cancelError_) {
        TesmoError::raiseCancelled();
        return false;
    }
    return backLastName_;
}

tesmo::OpenFileName TesmoDialog::fileRecord(bool forSave) const
{
    tesmo::OpenFileName record;
    record.structSize = tesmo::OpenFileName::Size;
    record.owner = hWnd_;
    record.instance = platform_->moduleInstance();
    record.filter = ansi(filterDialogForm_);
    record.filterIndex = 1;
    record.file = QByteArray(fileBufferLength, '\0');
    record.maxFile = fileBufferMax;
    record.fileTitle = QByteArray(fileBufferLength, '\0');
    record.maxFileTitle = fileBufferMax;
    record.initialDir = ansi(startDir_.isEmpty() ? platform_->programFolder() : startDir_);
    record.title = ansi(title_);
    record.flags = openSaveFlags_;
    if (forSave)
        record.defaultExtension = ansi(defExtName_);
    return record;
}

QString TesmoDialog::showFileDialog(bool forSave)
{
    QString& last = forSave ? lastSaveFileName_ : lastOpenFileName_;
    tesmo::OpenFileName record = fileRecord(forSave);
    const bool chosen = forSave ? platform_->getSaveFileName(record) : platform_->getOpenFileName(record);
    if (!chosen)
        return cancelled() ? last : QString();
    // Not cut at the first NUL: the NUL fill (and a multi-select list) stays, and
    // every double-byte character leaves one character less of it.
    last = cp950::decode(record.file).left(fileBufferMax);
    return last;
}

QString TesmoDialog::ShowOpen()
{
    return showFileDialog(false);
}

QString TesmoDialog::ShowSave()
{
    return showFileDialog(true);
}
