// SPDX-License-Identifier: GPL-3.0-or-later
// The byte steps of a Big5 document streamed a slice at a time (streamByteSteps in stream.h).
#include "cli/stream.h"

#include "convert/pair_scan.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <memory>

namespace batch {
namespace {

using document::Command;

// A run of bytes inside a buffer that has free room in front, where a byte held back by a step
// goes back in without a copy, and behind, for the line ends a save adds.
struct Chunk {
    char* begin = nullptr;
    char* end = nullptr;

    qsizetype size() const { return end - begin; }
    QByteArrayView view() const { return {begin, size()}; }
    void prepend(char c) { *--begin = c; }
    void append(QByteArrayView bytes)
    {
        std::memcpy(end, bytes.data(), size_t(bytes.size()));
        end += bytes.size();
    }
};

// Room behind a chunk: a last line end and a Big5 save's line end.
constexpr qsizetype kTailRoom = 8;

// A buffer kept from slice to slice, so its pages are touched once rather than once a slice.
class SliceBuffer {
public:
    // A chunk of `size` bytes with `front` free bytes before it (the bytes are not set).
    Chunk chunk(qsizetype front, qsizetype size)
    {
        if (front + size + kTailRoom > capacity_) {
            capacity_ = front + size + kTailRoom;
            bytes_.reset(new char[size_t(capacity_)]);
        }
        return {bytes_.get() + front, bytes_.get() + front + size};
    }

private:
    std::unique_ptr<char[]> bytes_;
    qsizetype capacity_ = 0;
};

// A load's line ends: CR and CR LF end a line, each line gets CR LF, the last one too. A CR at
// the end of a slice waits for the next byte.
class LineEnds {
public:
    explicit LineEnds(qsizetype front) : front_(front) {}

    Chunk push(Chunk in, bool atEnd)
    {
        if (heldCr_) {
            in.prepend('\r');
            heldCr_ = false;
        }
        if (!atEnd && in.size() > 0 && in.end[-1] == '\r') {
            --in.end;
            heldCr_ = true;
        }
        // Most subtitle files end their lines in CR LF already: then nothing moves.
        if (!document::onlyCrLfLineEnds(in.view())) {
            // A lone CR gains an LF, so the bytes are at most twice as many.
            Chunk wider = expanded_.chunk(front_, 2 * in.size());
            char* out = wider.begin;
            for (const char* p = in.begin; p < in.end; ++p) {
                *out++ = *p;
                if (*p == '\r' && (p + 1 == in.end || p[1] != '\n'))
                    *out++ = '\n';
            }
            wider.end = out;
            in = wider;
        }
        if (in.size() > 0) {
            seenAny_ = true;
            endsWithCrLf_ = in.size() >= 2 && in.end[-2] == '\r' && in.end[-1] == '\n';
        }
        if (atEnd && seenAny_ && !endsWithCrLf_)
            in.append("\r\n");
        return in;
    }

private:
    qsizetype front_;
    SliceBuffer expanded_;
    bool heldCr_ = false;
    bool seenAny_ = false;
    bool endsWithCrLf_ = false;
};

// One 簡轉繁 or 繁轉簡 step: a last byte that could start a pair waits for the next slice.
class PairStep {
public:
    explicit PairStep(Command step) : step_(step) {}

    Chunk push(Chunk in, bool atEnd, GbFindings& findings)
    {
        const bool gb = step_ == Command::GbToBig5;
        if (gb && !gbkInStep_)
            gbk_.feedAt(in.view(), line_);   // every byte once, in order, before the held one goes in front
        if (held_) {
            in.prepend(char(heldByte_));   // into the free front: no copy
            held_ = false;
        }
        auto* bytes = reinterpret_cast<std::uint8_t*>(in.begin);
        // On 簡轉繁 the scan itself counts the line feeds and the blanked characters.
        modBig2GB::GbScanCounts counts;
        qsizetype settled = 0;
        if (!gb) {
            settled = modBig2GB::scanBigPairs(bytes, in.size());
        } else if (gbkInStep_) {
            // Where the counter and the scan stand at the same pair boundary, the counter reads only
            // from the first block that may hold a GBK-only pair, before the scan changes it.
            bool consumed = false;
            const qsizetype stop = modBig2GB::scanGBPairsWhileGb2312(bytes, in.size(), &counts, &consumed);
            gbk_.dropWaitingLead();   // the held byte, if any, is in front of the bytes again
            const qsizetype from = stop + (consumed ? 1 : 0);
            gbk_.feedAt(in.view().sliced(from), line_ + counts.lineFeeds);
            settled = modBig2GB::scanGBPairsFrom(bytes, in.size(), stop, consumed, &counts);
        } else {
            settled = modBig2GB::scanGBPairs(bytes, in.size(), &counts);
        }
        if (counts.blanked > 0) {
            GbFindings blanked;
            blanked.blanked = counts.blanked;
            blanked.blankedLine = line_ + std::count(bytes, bytes + counts.firstBlank, std::uint8_t('\n'));
            findings.merge(blanked);
        }
        if (!atEnd && settled < in.size()) {
            heldByte_ = bytes[settled];   // a pair's first byte, never a line end
            held_ = true;
            in.end = in.begin + settled;
        }
        // The next slice can go the short way when both wait for the same lead, or for none.
        gbkInStep_ = gbk_.waitingLead() == (held_ ? heldByte_ : 0);
        line_ += counts.lineFeeds;
        return in;
    }

    // The GBK-only pairs this step met, once the stream has ended.
    GbFindings gbkFindings() const { return gbk_.findings(); }

private:
    Command step_;
    bool held_ = false;
    std::uint8_t heldByte_ = 0;
    bool gbkInStep_ = true;   // the GBK counter waits for no lead the scan does not hold
    qsizetype line_ = 1;      // counted on 簡轉繁 only, where the findings need it
    GbkPairCounter gbk_;
};


} // namespace

StreamResult streamByteSteps(QByteArrayView head, QIODevice& in, QIODevice& out, const std::vector<Command>& steps,
                             qsizetype slice, qint64 limit)
{
    StreamResult r;
    // Each step may put one held byte in front, and the line ends a held CR.
    const qsizetype front = qsizetype(steps.size()) + 1;
    LineEnds lineEnds(front);
    std::vector<PairStep> stages;
    for (Command step : steps)
        stages.emplace_back(step);
    QByteArray saveEnd;
    document::appendBig5SaveEnd(saveEnd);

    auto pass = [&](Chunk chunk, bool atEnd) {
        chunk = lineEnds.push(chunk, atEnd);
        for (PairStep& stage : stages)
            chunk = stage.push(chunk, atEnd, r.findings);
        if (atEnd) {
            chunk.append(saveEnd);
            for (const PairStep& stage : stages)
                r.findings.merge(stage.gbkFindings());
        }
        if (chunk.size() > 0 && out.write(chunk.begin, chunk.size()) != chunk.size()) {
            r.writeError = out.errorString();
            return false;
        }
        return true;
    };

    SliceBuffer buffer;
    for (qsizetype at = 0; at < head.size(); at += slice) {
        const QByteArrayView part = head.sliced(at, qMin(slice, head.size() - at));
        Chunk chunk = buffer.chunk(front, part.size());
        std::memcpy(chunk.begin, part.data(), size_t(part.size()));
        if (!pass(chunk, false))
            return r;
    }
    // Read as readBytes reads: a source that says it is over the limit is refused before a byte
    // of it is read, and one byte past the limit tells a source over it from one that ends there.
    qint64 total = head.size();
    if (!in.isSequential() && in.size() - in.pos() > limit - total) {
        r.readError = document::tooLargeReason(limit);
        return r;
    }
    for (;;) {
        const qint64 want = qMin<qint64>(slice, limit + 1 - total);
        Chunk chunk = buffer.chunk(front, qsizetype(want));
        qint64 got = 0;
        bool ended = false;
        while (got < want) {
            const qint64 n = in.read(chunk.begin + got, want - got);
            if (n < 0) {
                r.readError = in.errorString();
                return r;
            }
            if (n == 0) {
                ended = true;
                break;
            }
            got += n;
        }
        chunk.end = chunk.begin + got;
        total += got;
        if (total > limit) {
            r.readError = document::tooLargeReason(limit);
            return r;
        }
        if (!pass(chunk, ended))
            return r;
        if (ended)
            break;
    }
    r.ok = true;
    return r;
}

} // namespace batch
