// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The phrase-level Simplified -> Traditional (Taiwan) step, for the editor menu and the batch
// converter: OpenCC's phrase and character dictionaries with Taiwan variants, and on top the
// project's own dictionary of everyday Taiwanese forms.
//
// Input is text as characters: a UTF-8/UTF-16/GB18030 document as it is, or on the Big5 road
// the editor's bytes read as GB18030 (document/commands.h). The converter uses the table
// compiled when the program was built, checked on first use; every function here is safe to
// call from any thread.

#include "convert/length_change.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace phrase {

struct Result {
    bool ok = false;
    QString text;    // the converted text when ok
    QString error;   // why not, in Traditional Chinese, when !ok
};

// Where OpenCC's data files are read from when the table is merged (OpenCC's own data
// folder, fixed at build time). In subbig5_phrase_opencc, as Converter::load.
QString openccDataDir();

// Empty when the step can run; otherwise the reason, in Traditional Chinese (a damaged
// table). The first call checks the table (a few milliseconds).
QString unavailableReason();

// Converts the whole text; characters without a Traditional form are kept as they are.
// `changes`, when given, receives where the text changed length.
Result toTaiwan(QStringView simplified, std::vector<convert::LengthChange>* changes = nullptr);

} // namespace phrase
