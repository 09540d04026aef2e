// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a GB2312 -> Big5 conversion met that the user should hear of, since the result
// shows it only as garbled or blank characters: byte pairs of GBK that are not GB2312
// (the byte scan reads them out of step), and characters that Big5 has no counterpart for
// (they become ideographic spaces).

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace modBig2GB {

struct GbFindings {
    qsizetype gbkPairs = 0;      // GBK-only byte pairs (byte road only)
    qsizetype gbkLine = 0;       // line of the first one, from 1
    qsizetype blanked = 0;       // characters turned into ideographic spaces
    qsizetype blankedLine = 0;   // line of the first one, from 1

    bool any() const { return gbkPairs > 0 || blanked > 0; }
    // Adds what a later part of the same text met.
    void merge(const GbFindings& later);
};

// What the GB2312 -> Big5 byte scan is about to meet in `bytes`, whose first byte stands on
// line `firstLine`. Lines end at CR LF, a lone CR or a lone LF.
GbFindings surveyGbBytes(QByteArrayView bytes, qsizetype firstLine = 1);

// The two halves of that, for a text that comes in slices:
// the cells that blank characters, met in bytes that begin at one of the scan's pair boundaries;
GbFindings surveyBlanked(QByteArrayView bytes, qsizetype firstLine);
// and the GBK-only pairs in GBK's own pair structure, over pieces fed in order (a lead byte at
// the end of a piece waits for the next one).
class GbkPairCounter {
public:
    explicit GbkPairCounter(qsizetype firstLine = 1) : line_(firstLine) {}
    void feed(QByteArrayView piece);
    // The same, for a caller that knows the line of the piece's first byte: lines are then
    // counted only up to the first GBK-only pair, not over every byte.
    void feedAt(QByteArrayView piece, qsizetype firstLine);
    // The lead byte waiting for the next piece (0 when none), and the same dropped: for a caller
    // that has read up to a pair boundary itself and goes on with the counter from there.
    std::uint8_t waitingLead() const { return carry_; }
    void dropWaitingLead() { carry_ = 0; }
    const GbFindings& findings() const { return found_; }

private:
    // Returns the first GBK-only pair this piece met first in the text (nullptr if none);
    // *carried when that was the pair begun by the byte carried in from the last piece.
    const std::uint8_t* scan(QByteArrayView piece, bool* carried);

    GbFindings found_;
    qsizetype line_;
    std::uint8_t carry_ = 0;
};

// The findings as the user reads them, one sentence each; empty when there are none.
// `gb18030Hint` says how to open the file as GB18030 instead, where the reader can.
QString describeFindings(const GbFindings& findings, const QString& gb18030Hint);

// The line (from 1) that holds UTF-16 position `index` of `text`: CR LF, a lone CR and a lone
// LF each end one, as the user sees lines.
qsizetype lineNumberAt(QStringView text, qsizetype index);

} // namespace modBig2GB
