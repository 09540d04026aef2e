// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/stream.h"

#include "convert/pair_scan.h"

#include <QIODevice>

#include <algorithm>
#include <memory>

namespace batch {
namespace {

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
        out.reserve(in.size() + 16);
        document::appendWithCrLf(out, in);
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
        if (step_ == Command::GbToBig5)
            gbk_.feed(in);   // every byte once, in order, before the held one goes in front
        if (!held_.isEmpty()) {
            in.prepend(held_);
            held_.clear();
        }
        auto* bytes = reinterpret_cast<std::uint8_t*>(in.data());
        if (step_ == Command::GbToBig5)
            findings.merge(surveyBlanked(in, line_));
        const qsizetype settled = step_ == Command::GbToBig5 ? modBig2GB::scanGBPairs(bytes, in.size())
                                                          : modBig2GB::scanBigPairs(bytes, in.size());
        if (!atEnd && settled < in.size()) {
            held_ = in.sliced(settled);
            in.truncate(settled);
        }
        line_ += std::count(in.cbegin(), in.cend(), '\n');
        return in;
    }

    // The GBK-only pairs this step met, once the stream has ended.
    GbFindings gbkFindings() const { return gbk_.findings(); }

private:
    Command step_;
    QByteArray held_;
    qsizetype line_ = 1;
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
