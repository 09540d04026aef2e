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
#include "document/text_file.h"

#include <QByteArray>
#include <QString>

class QIODevice;

namespace batch {

struct StreamResult {
    bool ok = false;
    QString readError;
    QString writeError;
    GbFindings findings;   // what the 簡轉繁 steps met
};

// Reads `in` to its end, after `head` (bytes already taken from it), and writes to `out` what
// a load, the byte steps and a Big5 save would give. A source longer than `limit` is refused
// (readBytes keeps the limit; `head` counts towards it).
StreamResult streamByteSteps(QByteArrayView head, QIODevice& in, QIODevice& out,
                             const std::vector<document::Command>& steps,
                             qsizetype slice = qsizetype(1) << 20, qint64 limit = document::kMaxFileBytes);

} // namespace batch
