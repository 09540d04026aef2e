// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor's road without a window: read a file as Open does, run the steps as the menu
// commands do, write it as Save (or Save As in another encoding) does. The same plain
// functions run in both, so the bytes are the editor's to the last one.

#include "cli/options.h"
#include "convert/tables.h"
#include "convert/findings.h"
#include "document/text_file.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace batch {

// What a run found worth a warning.
struct Report {
    modBig2GB::GbFindings findings;  // what the 簡轉繁 steps met
    document::Unsavable unsaved;     // characters the output encoding cannot hold ('?' written)
};

// Runs the steps over a whole file's bytes read in `from` and returns what a save in `to`
// would write. A step that cannot run sets `error` (and nothing is returned).
QByteArray process(QByteArray fileBytes, document::Encoding from, const std::vector<document::Command>& steps,
                   document::Encoding to, Report* report = nullptr, QString* error = nullptr);

// Loads the conversion tables, or throws std::runtime_error saying why it cannot.
using TableLoader = void (*)();

// Runs the whole command; messages go to `err`, results to `out`. Returns the exit status:
// 1 when any input failed or was skipped as already Traditional. An input named before (the
// same file by another name or link) is converted once.
// A null `in` or `out` stands for a standard stream the caller closed.
int run(const Options& options, std::FILE* in, std::FILE* out, std::FILE* err, TableLoader loadTables = modBig2GB::loadAllTables);

} // namespace batch
