// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a dialog's answer goes into the platform's records, and how the records'
// settings read as Qt values: the plain half of the Qt dialog platform.
#include "dialogs/dialog_records.h"

#include <QColor>
#include <QFont>
#include <QStringList>

namespace tesmo {

// Qt name filters ("純文字檔 (*.txt)") from a list of NUL-terminated
// description/pattern pairs; the list ends at the first empty text.
QStringList nameFiltersOf(const AnsiText& filter);

// Writes the chosen path, or for a multi-select dialog with several files the
// folder and the names each NUL-terminated and one more NUL, into `file`, with
// the name offset, extension offset and file title. False, with nothing written,
// when a path has a character the code page lacks or the list does not fit
// `maxFile` bytes: the platform then reports no choice.
bool writeChosenFiles(OpenFileName& record, const QStringList& paths);

// Writes the folder's path, NUL-terminated, into `buffer`, growing it when the
// path is longer. False when the code page cannot represent the path.
bool writeFolderPath(QByteArray& buffer, const QString& path);

QColor colorOf(qint32 colorRef);
qint32 colorRefOf(const QColor& color);

// The font a font dialog starts from when asked to start from the LOGFONT.
QFont qFontOf(const LogFont& font);
// A confirmed font: face name, weight, italic, underline and strike-out bytes
// and character height into the LOGFONT; tenths of a point and type bits into
// the record.
void writeChosenFont(ChooseFont& record, const QFont& font);

} // namespace tesmo
