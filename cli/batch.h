// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor's road without a window: read a file as Open does, run the steps as the menu
// commands do, write it as Save (or Save As in another encoding) does. The same plain
// functions run in both, so the bytes are the editor's to the last one.

#include "cli/options.h"
#include "convert/findings.h"
#include "document/text_file.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace batch {

// What a run found worth a warning.
struct Report {
    GbFindings findings;          // what the 簡轉繁 steps met
    document::Unsavable unsaved;  // characters the output encoding cannot hold ('?' written)
};

// Runs the steps over a whole file's bytes read in `from` and returns what a save in `to`
// would write. A step that cannot run sets `error` (and nothing is returned).
QByteArray process(QByteArray fileBytes, document::Encoding from, const std::vector<Step>& steps,
                   document::Encoding to, Report* report = nullptr, QString* error = nullptr);

// Loads the conversion tables, or says why it cannot.
using TableLoader = bool (*)(QString* error);
bool loadAllTables(QString* error);

// Runs the whole command; messages go to `err`, results to `out`. Returns the exit status.
// A null `in` or `out` stands for a standard stream the caller closed.
int run(const Options& options, std::FILE* in, std::FILE* out, std::FILE* err, TableLoader loadTables = loadAllTables);

} // namespace batch
