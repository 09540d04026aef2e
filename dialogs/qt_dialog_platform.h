// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The system dialogs as Qt draws them: Qt's own (not the desktop's native)
// file, colour and font dialogs and a folder browser, seeded from the records
// and answering into them.
#include "dialogs/dialog_platform.h"

namespace tesmo {

class QtDialogPlatform : public DialogPlatform {
public:
    qint32 moduleInstance() const override;
    QString programFolder() const override;
    bool getOpenFileName(OpenFileName& record) override;
    bool getSaveFileName(OpenFileName& record) override;
    bool browseForFolder(BrowseInfo& info, QByteArray& pathBuffer) override;
    bool chooseColor(ChooseColor& record) override;
    // Qt's font dialog offers no colour, so the record's colour stays as given.
    bool chooseFont(ChooseFont& record) override;
};

} // namespace tesmo
