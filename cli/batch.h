#pragma once
// The editor's road without a window: read a file as Open does, run the steps as the
// menu commands do, write it as Save does. The same plain functions run in both.

#include "cli/options.h"

#include <QByteArray>
#include <QString>

class QIODevice;

#include <cstdio>

namespace batch {

// Runs the steps over bytes as they come from a load (line ends already normalised) and
// returns what a save would write: the text's bytes plus one CR LF, or UTF-8 with --utf8.
QByteArray process(QByteArray loaded, const std::vector<Step>& steps, bool utf8);

struct StreamResult {
    bool ok = false;
    QString readError;
    QString writeError;
};
// The same as process() for steps that are all byte conversions, over a stream of any
// length, `slice` bytes at a time: memory stays small however large the file.
StreamResult streamByteSteps(QIODevice& in, QIODevice& out, const std::vector<Step>& steps, bool utf8,
                             qsizetype slice = qsizetype(1) << 20);

// Runs the whole command; messages go to `err`, results to `out`. Returns the exit status.
int run(const Options& options, std::FILE* in, std::FILE* out, std::FILE* err);

} // namespace batch
