// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch converter's command line.

#include "document/commands.h"
#include "document/encoding.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace batch {

struct Options {
    std::vector<document::Command> steps;   // in the order given, each as often as given
    QString output;            // -o PATH; empty: standard output (or in place); "-": standard output
    bool inPlace = false;
    // --force: run 簡轉繁 and -p even on a file that already looks Traditional Big5.
    bool force = false;
    // --from: what the input is read as; none: detected as the editor's Open does.
    std::optional<document::Encoding> from;
    // --to: what the output is written in; none: the input's own encoding.
    std::optional<document::Encoding> to;
    QStringList files;         // "-" is standard input; none given: standard input
    // --review FILE: the last step's review marks as JSON Lines; "-": standard error.
    QString review;
    unsigned preferences = 0;  // --prefer: the phrase step's choices (convert/phrase/preferences.h)
    bool help = false;
    bool version = false;
};

struct ParseResult {
    Options options;
    QString error;   // a usage error, in Traditional Chinese; empty when the line is fine
};

ParseResult parseArguments(const QStringList& arguments);
QString usageText();

} // namespace batch
