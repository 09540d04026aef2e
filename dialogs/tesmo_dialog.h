// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One object in front of the system's folder, file, colour and font dialogs.
// The caller fills in the settings, calls a Show method and reads the result, or
// later the stored result of the last confirmed dialog of that kind. Every text
// reaches the dialogs in code page 950 and comes back through it.
//
// Texts: a null QString is unset and reaches a dialog as no text at all; an empty
// QString reaches it as an empty text (StartDir alone treats both alike).
//
// A cancelled dialog returns the empty result, or the stored last result when
// BackLastName is set; with CancelError set it writes TesmoError::Cancelled into
// the error record instead. ShowFont without a DefFont writes
// TesmoError::NoObject, opens nothing and stores nothing.
#include "dialogs/std_font.h"

#include <QString>
#include <QtGlobal>

namespace tesmo {
class DialogPlatform;
struct OpenFileName;
}

class TesmoDialog {
public:
    TesmoDialog();
    explicit TesmoDialog(tesmo::DialogPlatform& platform);

    qint32 hWnd() const { return hWnd_; }
    void setHWnd(qint32 owner) { hWnd_ = owner; }
    bool CancelError() const { return cancelError_; }
    void setCancelError(bool on) { cancelError_ = on; }
    bool BackLastName() const { return backLastName_; }
    void setBackLastName(bool on) { backLastName_ = on; }
    qint32 DirFlags() const { return dirFlags_; }
    void setDirFlags(qint32 flags) { dirFlags_ = flags; }
    qint32 OpenSaveFlags() const { return openSaveFlags_; }
    void setOpenSaveFlags(qint32 flags) { openSaveFlags_ = flags; }
    qint32 ColorFlags() const { return colorFlags_; }
    void setColorFlags(qint32 flags) { colorFlags_ = flags; }
    qint32 FontFlags() const { return fontFlags_; }
    void setFontFlags(qint32 flags) { fontFlags_ = flags; }
    QString Title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    QString StartDir() const { return startDir_; }
    void setStartDir(const QString& folder) { startDir_ = folder; }
    QString DefExtName() const { return defExtName_; }
    void setDefExtName(const QString& extension) { defExtName_ = extension; }
    // Shared, never copied: ShowFont reads the object as it is at the call.
    StdFontRef DefFont() const { return defFont_; }
    void setDefFont(StdFontRef font) { defFont_ = std::move(font); }
    // Colour references: 0x00BBGGRR.
    qint32 ForeColor() const { return foreColor_; }
    void setForeColor(qint32 color) { foreColor_ = color; }

    QString LastDirName() const { return lastDirName_; }
    QString LastOpenFileName() const { return lastOpenFileName_; }
    QString LastSaveFileName() const { return lastSaveFileName_; }
    qint32 LastColor() const { return lastColor_; }
    StdFontRef LastFont() const { return lastFont_; }
    qint32 LastForeColor() const { return lastForeColor_; }

    // The text as assigned; the dialogs get it with every "|" turned into a NUL.
    QString Filter() const { return filter_; }
    void setFilter(const QString& filter);

    QString ShowDir();
    QString ShowOpen();
    QString ShowSave();
    qint32 ShowColor();
    bool ShowFont();

private:
    tesmo::OpenFileName fileRecord(bool forSave) const;
    QString showFileDialog(bool forSave);
    // Records the cancellation when CancelError asks for it; true when the
    // caller may fall back to its stored result (BackLastName alone).
    bool cancelled() const;

    tesmo::DialogPlatform* platform_;

    qint32 hWnd_ = 0;
    bool cancelError_ = false;
    bool backLastName_ = false;
    qint32 dirFlags_ = 0;
    qint32 openSaveFlags_ = 0;
    qint32 colorFlags_ = 0;
    qint32 fontFlags_ = 0;
    QString title_;
    QString startDir_;
    QString defExtName_;
    StdFontRef defFont_;
    qint32 foreColor_ = 0;

    QString lastDirName_;
    QString lastOpenFileName_;
    QString lastSaveFileName_;
    qint32 lastColor_ = 0;
    StdFontRef lastFont_;
    qint32 lastForeColor_ = 0;

    QString filter_;
    QString filterDialogForm_;
};
