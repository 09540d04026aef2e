// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/stream.h"

#include "convert/pair_scan.h"

#include <QIODevice>

#include <algorithm>
#include <memory>

namespace batch {
namespace {

// Free bytes kept in front of each slice, so that a byte held back by a pair step goes in
// front of the next slice without copying it (QByteArray prepends into free space).
constexpr qsizetype kHeadroom = 8;

using document::Command;

// A load's line ends: CR and CR LF end a line, each line gets CR LF, the last one too. A CR at
// the end of a slice waits for the next byte.
class LineEnds {
public:
    QByteArray push(QByteArray in, bool atEnd)
    {
        if (heldCr_) {
            in.prepend('\r');
            heldCr_ = false;
        }
        if (!atEnd && in.endsWith('\r')) {
            in.chop(1);
            heldCr_ = true;
        }
        QByteArray out;
        out.reserve(kHeadroom + in.size() + 16);
        out.append(kHeadroom, '\0');
        document::appendWithCrLf(out, in);
        out.remove(0, kHeadroom);   // frees the front, keeps the block
        if (!out.isEmpty()) {
            seenAny_ = true;
            endsWithCrLf_ = out.endsWith("\r\n");   // a lone CR never ends a slice: it is held
        }
        if (atEnd && seenAny_ && !endsWithCrLf_)
            out.append("\r\n", 2);
        return out;
    }

private:
    bool heldCr_ = false;
    bool seenAny_ = false;
    bool endsWithCrLf_ = false;
};

// One 簡轉繁 or 繁轉簡 step: a last byte that could start a pair waits for the next slice.
class PairStep {
public:
    explicit PairStep(Command step) : step_(step) {}

    QByteArray push(QByteArray in, bool atEnd, GbFindings& findings)
    {
        const bool gb = step_ == Command::GbToBig5;
        if (gb)
            gbk_.feedAt(in, line_);   // every byte once, in order, before the held one goes in front
        if (held_) {
            in.prepend(char(heldByte_));   // into the slice's free front: no copy
            held_ = false;
        }
        auto* bytes = reinterpret_cast<std::uint8_t*>(in.data());
        // On 簡轉繁 the scan itself counts the line feeds and the blanked characters.
        modBig2GB::GbScanCounts counts;
        const qsizetype settled = gb ? modBig2GB::scanGBPairs(bytes, in.size(), &counts)
                                     : modBig2GB::scanBigPairs(bytes, in.size());
        if (counts.blanked > 0) {
            GbFindings blanked;
            blanked.blanked = counts.blanked;
            blanked.blankedLine = line_ + std::count(bytes, bytes + counts.firstBlank, std::uint8_t('\n'));
            findings.merge(blanked);
        }
        if (!atEnd && settled < in.size()) {
            heldByte_ = bytes[settled];   // a pair's first byte, never a line end
            held_ = true;
            in.truncate(settled);
        }
        line_ += counts.lineFeeds;
        return in;
    }

    // The GBK-only pairs this step met, once the stream has ended.
    GbFindings gbkFindings() const { return gbk_.findings(); }

private:
    Command step_;
    bool held_ = false;
    std::uint8_t heldByte_ = 0;
    qsizetype line_ = 1;   // counted on 簡轉繁 only, where the findings need it
    GbkPairCounter gbk_;
};

} // namespace

StreamResult streamByteSteps(QByteArrayView head, QIODevice& in, QIODevice& out, const std::vector<Command>& steps,
                             qsizetype slice, qint64 limit)
{
    StreamResult r;
    LineEnds lineEnds;
    std::vector<PairStep> stages;
    for (Command step : steps)
        stages.emplace_back(step);

    auto pass = [&](QByteArray chunk, bool atEnd) {
        chunk = lineEnds.push(std::move(chunk), atEnd);
        for (PairStep& stage : stages)
            chunk = stage.push(std::move(chunk), atEnd, r.findings);
        if (atEnd) {
            document::appendBig5SaveEnd(chunk);
            for (const PairStep& stage : stages)
                r.findings.merge(stage.gbkFindings());
        }
        if (!chunk.isEmpty() && out.write(chunk) != chunk.size()) {
            r.writeError = out.errorString();
            return false;
        }
        return true;
    };

    qint64 total = head.size();
    for (qsizetype at = 0; at < head.size(); at += slice) {
        if (!pass(head.sliced(at, qMin(slice, head.size() - at)).toByteArray(), false))
            return r;
    }
    for (;;) {
        document::ReadBytesResult read = document::readBytes(in, limit - total, {}, slice);
        if (!read.ok) {
            r.readError = read.reason;
            return r;
        }
        total += read.bytes.size();
        if (!pass(std::move(read.bytes), read.ended))
            return r;
        if (read.ended)
            break;
    }
    r.ok = true;
    return r;
}

} // namespace batch
