// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/qt_dialog_platform.h"

#include "convert/codepage.h"
#include "dialogs/dialog_answers.h"
#include "dialogs/folder_browser.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QWidget>

#if defined(__unix__)
#include <dlfcn.h>
#endif

namespace tesmo {

namespace {

// The top-level window whose native handle the record names, if it is ours.
QWidget* ownerWindow(qint32 handle)
{
    if (handle == 0)
        return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->internalWinId() && qint32(w->internalWinId()) == handle)
            return w;
    }
    return nullptr;
}

QString textOf(const AnsiText& text, const char16_t* fallback)
{
    return text ? cp950::decode(*text) : QString::fromUtf16(fallback);
}

bool runFileDialog(OpenFileName& record, bool save)
{
    QFileDialog dialog(ownerWindow(record.owner));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setWindowTitle(textOf(record.title, save ? u"另存新檔" : u"開啟舊檔"));
    if (record.initialDir)
        dialog.setDirectory(cp950::decode(*record.initialDir));

    const QStringList filters = nameFiltersOf(record.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (record.filterIndex >= 1 && record.filterIndex <= filters.size())
            dialog.selectNameFilter(filters[record.filterIndex - 1]);
    }
    const QString name = ansiString(record.file);
    if (!name.isEmpty())
        dialog.selectFile(name);

    if (save) {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !(record.flags & OpenFileName::OverwritePrompt));
        if (record.defaultExtension)
            dialog.setDefaultSuffix(cp950::decode(*record.defaultExtension));
    } else if (record.flags & OpenFileName::AllowMultiSelect) {
        dialog.setFileMode(QFileDialog::ExistingFiles);
    } else {
        dialog.setFileMode(record.flags & OpenFileName::FileMustExist ? QFileDialog::ExistingFile
                                                                      : QFileDialog::AnyFile);
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return writeChosenFiles(record, dialog.selectedFiles());
}

} // namespace

qint32 QtDialogPlatform::moduleInstance() const
{
#if defined(__unix__)
    // Where the program image is loaded, as the instance handle is on the platform.
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&systemDialogPlatform), &info) && info.dli_fbase)
        return qint32(quintptr(info.dli_fbase));
#endif
    return 0;
}

QString QtDialogPlatform::programFolder() const
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

bool QtDialogPlatform::getOpenFileName(OpenFileName& record)
{
    return runFileDialog(record, false);
}

bool QtDialogPlatform::getSaveFileName(OpenFileName& record)
{
    return runFileDialog(record, true);
}

bool QtDialogPlatform::browseForFolder(BrowseInfo& info, QByteArray& pathBuffer)
{
    FolderBrowser dialog(ansiString(info.title.value_or(QByteArray())), ownerWindow(info.owner));
    if (dialog.exec() != QDialog::Accepted || dialog.folder().isNull())
        return false;
    const QString folder = dialog.folder();
    if (info.displayName && !info.displayName->isEmpty()) {
        QByteArray name = cp950::encode(QDir(folder).dirName()).left(info.displayName->size() - 1) + '\0';
        std::copy(name.begin(), name.end(), info.displayName->begin());
    }
    return writeFolderPath(pathBuffer, folder);
}

bool QtDialogPlatform::chooseColor(ChooseColor& record)
{
    for (int i = 0; i < int(record.customColors.size()); ++i)
        QColorDialog::setCustomColor(i, colorOf(record.customColors[i]));
    QColorDialog dialog(ownerWindow(record.owner));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QString::fromUtf16(u"色彩"));
    dialog.setCurrentColor(record.flags & ChooseColor::RgbInit ? colorOf(record.rgbResult) : QColor(Qt::black));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    record.rgbResult = colorRefOf(dialog.selectedColor());
    for (int i = 0; i < int(record.customColors.size()); ++i)
        record.customColors[i] = colorRefOf(QColorDialog::customColor(i));
    return true;
}

bool QtDialogPlatform::chooseFont(ChooseFont& record)
{
    QFontDialog dialog(ownerWindow(record.owner));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QString::fromUtf16(u"字型"));
    if ((record.flags & ChooseFont::InitToLogFont) && record.logFont)
        dialog.setCurrentFont(qFontOf(*record.logFont));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    writeChosenFont(record, dialog.selectedFont());
    return true;
}

DialogPlatform& systemDialogPlatform()
{
    static QtDialogPlatform platform;
    return platform;
}

} // namespace tesmo
