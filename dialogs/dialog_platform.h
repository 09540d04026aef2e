// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What TesmoDialog needs from the system: one call per dialog, each taking the
// platform's record and writing its answer back into it, plus the two values of
// the running program the records mention. The Qt implementation stands in for
// the common dialogs; tests hand in a fake.
#include "dialogs/dialog_records.h"

#include <QString>

namespace tesmo {

class DialogPlatform {
public:
    virtual ~DialogPlatform() = default;

    virtual qint32 moduleInstance() const = 0;
    // The folder that holds the program file.
    virtual QString programFolder() const = 0;

    // True when the user confirmed a file: `file` then holds the chosen path,
    // NUL-terminated. False for Cancel and for every failure.
    virtual bool getOpenFileName(OpenFileName& record) = 0;
    virtual bool getSaveFileName(OpenFileName& record) = 0;

    // Shows the folder browser and asks for the chosen folder's file-system path.
    // True when there is one: `pathBuffer` then holds it, NUL-terminated (the
    // buffer grows when the path does not fit). False for Cancel and for a folder
    // without a file-system path. Whatever the browser allocated is released.
    virtual bool browseForFolder(BrowseInfo& info, QByteArray& pathBuffer) = 0;

    virtual bool chooseColor(ChooseColor& record) = 0;
    // On true, *record.logFont holds the face name and the underline and
    // strike-out bytes, and the record the point size, font type and colour.
    virtual bool chooseFont(ChooseFont& record) = 0;
};

// The Qt dialogs, shared by every TesmoDialog made without a platform of its own.
DialogPlatform& systemDialogPlatform();

} // namespace tesmo
