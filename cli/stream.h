// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The byte steps of a Big5 document (簡轉繁, 繁轉簡) over an input of any length, a slice at a
// time. Each stage carries across a cut what the next slice may still change (a CR whose LF
// may follow, a byte that may start a pair), so the output is exactly what the whole-file
// road gives, and memory stays at a few slices however long the lines are. (Before the stream
// starts, deciding the input's encoding holds what has been read while it is still valid
// UTF-8: a Big5 or GB2312 file shows itself within its first bytes, an ASCII one only at
// its end.)

#include "cli/options.h"
#include "convert/findings.h"
#include "document/document.h"
#include "document/text_file.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace batch {

// The names stream.cpp uses unqualified for what the 簡轉繁 steps met.
using modBig2GB::GbFindings;
using modBig2GB::GbkPairCounter;

struct StreamResult {
    bool ok = false;
    QString readError;
    QString stepError;
    QString writeError;
    GbFindings findings;          // what the 簡轉繁 steps met
    document::Unsavable unsaved;  // characters the output encoding cannot hold
};

// True when the source whose start `opening` holds is a Big5 document that already reads as
// Traditional Big5, judged as a whole-file load would judge it.
bool startLooksTraditional(const document::Opening& opening);

// Reads `in` to its end, after `head` (bytes already taken from it), and writes to `out` what
// a load, the byte steps and a Big5 save would give. A source longer than `limit` is refused
// (readBytes keeps the limit; `head` counts towards it).
StreamResult streamByteSteps(QByteArrayView head, QIODevice& in, QIODevice& out,
                             const std::vector<document::Command>& steps,
                             qsizetype slice = qsizetype(1) << 20, qint64 limit = document::kMaxFileBytes);

// Runs the steps over one part of a document, whose first line is `firstLine` of the whole (from
// 1); false, with `error` set, when one cannot run.
using PartSteps = std::function<bool(document::Document& part, qsizetype firstLine, GbFindings& findings, QString* error)>;

// Every other road (text steps, a document read or saved in another encoding) a few lines at a
// time: the source, whose start `opening` holds, is cut after line ends into parts of about
// `slice` bytes (a longer line is one part), each loaded, run through `runSteps` and saved in
// `to` as a document of its own, so memory stays at a few slices. Line ends, marks, subtitle
// markup and the findings' line numbers come out as the whole file gives them.
StreamResult streamDocument(document::Opening& opening, QIODevice& in, QIODevice& out,
                            const std::vector<document::Command>& steps, document::Encoding to,
                            const PartSteps& runSteps, qsizetype slice = qsizetype(1) << 20,
                            qint64 limit = document::kMaxFileBytes);

} // namespace batch
