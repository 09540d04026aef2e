// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/stream.h"

#include "convert/subtitle_text.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace batch {
namespace {

using document::Command;

using document::Encoding;

// Where a part may end: just after a line end as the load sees it. In Big5 that is CR LF or a
// lone CR (a lone LF stays in its line); elsewhere LF, CR LF or a lone CR. A CR ends a part only
// once the unit after it is known not to be LF, so CR LF is never split. UTF-16 is read in
// units of two bytes, so no cut falls inside a character or between surrogates.
class LineCuts {
public:
    explicit LineCuts(Encoding e)
        : width_(e == Encoding::Utf16LE || e == Encoding::Utf16BE ? 2 : 1),
          bigEndian_(e == Encoding::Utf16BE),
          loneLf_(e != Encoding::Big5)
    {
    }

    qsizetype width() const { return width_; }

    // The last cut in (floor, upTo], or -1.
    qsizetype last(QByteArrayView b, qsizetype upTo, qsizetype floor) const
    {
        for (qsizetype i = upTo / width_ - 1; i >= 0 && (i + 1) * width_ > floor; --i) {
            if (endsLine(b, i))
                return (i + 1) * width_;
        }
        return -1;
    }

    // The first cut past `from`, or -1.
    qsizetype first(QByteArrayView b, qsizetype from) const
    {
        for (qsizetype i = from / width_; i < b.size() / width_; ++i) {
            if (endsLine(b, i))
                return (i + 1) * width_;
        }
        return -1;
    }

    // The lines a part ends (LF and lone CR each end one, as the findings count lines).
    qsizetype lineEnds(QByteArrayView b) const
    {
        if (width_ == 1) {
            qsizetype n = std::count(b.begin(), b.end(), '\n');
            for (const char* p = b.data(), *end = p + b.size();
                 (p = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)))) != nullptr; ++p)
                n += p + 1 == end || p[1] != '\n' ? 1 : 0;
            return n;
        }
        qsizetype n = 0;
        const qsizetype units = b.size() / 2;
        for (qsizetype i = 0; i < units; ++i) {
            const char16_t u = unit(b, i);
            n += u == u'\n' || (u == u'\r' && (i + 1 == units || unit(b, i + 1) != u'\n')) ? 1 : 0;
        }
        return n;
    }

private:
    char16_t unit(QByteArrayView b, qsizetype i) const
    {
        if (width_ == 1)
            return char16_t(std::uint8_t(b[i]));
        const auto* p = reinterpret_cast<const std::uint8_t*>(b.data()) + 2 * i;
        return bigEndian_ ? char16_t(p[0] << 8 | p[1]) : char16_t(p[1] << 8 | p[0]);
    }

    bool endsLine(QByteArrayView b, qsizetype i) const
    {
        const char16_t u = unit(b, i);
        if (u == u'\n')
            return loneLf_ || (i > 0 && unit(b, i - 1) == u'\r');
        return u == u'\r' && i + 1 < b.size() / width_ && unit(b, i + 1) != u'\n';
    }

    qsizetype width_;
    bool bigEndian_;
    bool loneLf_;
};

void addLater(GbFindings& findings, GbFindings later, qsizetype linesBefore)
{
    if (later.gbkPairs > 0)
        later.gbkLine += linesBefore;
    if (later.blanked > 0)
        later.blankedLine += linesBefore;
    findings.merge(later);
}

void addLater(document::Unsavable& unsaved, const document::Unsavable& later, qsizetype linesBefore)
{
    if (unsaved.count == 0 && later.count > 0) {
        unsaved.first = later.first;
        unsaved.line = later.line + linesBefore;
    }
    unsaved.count += later.count;
}

bool hasTextStep(const std::vector<Command>& steps)
{
    return std::any_of(steps.begin(), steps.end(), [](Command s) { return s == Command::Correct || s == Command::Phrase; });
}

} // namespace

bool startLooksTraditional(const document::Opening& opening)
{
    if (opening.encoding != Encoding::Big5)
        return false;
    // The judgement reads the start of the loaded bytes; those of the start read so far are the
    // same (a CR at its end becomes CR LF whatever follows it).
    if (opening.ended)
        return document::looksTraditionalBig5(document::normaliseLineEnds(opening.head));
    QByteArray start;
    document::appendWithCrLf(start, opening.head);
    return document::looksTraditionalBig5(start);
}

StreamResult streamDocument(document::Opening& opening, QIODevice& in, QIODevice& out, const std::vector<Command>& steps,
                            Encoding to, const PartSteps& runSteps, qsizetype slice, qint64 limit)
{
    StreamResult r;
    const Encoding from = opening.encoding;
    const LineCuts cuts(from);
    // Subtitle markup is read as the file's first line with something on it says.
    const bool needsFormat = from != Encoding::Big5 || hasTextStep(steps);
    std::optional<subtitle::Format> format;
    QByteArray pending = std::move(opening.head);
    bool ended = opening.ended;
    qint64 before = 0;        // bytes of the source before `pending`
    qsizetype searched = 0;   // no cut before this, past the slice
    qsizetype floor = 0;      // the part must reach past this (the blank lines a file starts with)
    qsizetype line = 1;       // of the part's first byte
    bool first = true;
    auto readMore = [&](qsizetype want) {
        document::ReadBytesResult read = document::readBytes(in, limit - before, std::move(pending), want);
        if (!read.ok) {
            r.readError = read.reason;
            return false;
        }
        pending = std::move(read.bytes);
        ended = read.ended;
        return true;
    };
    for (;;) {
        // A slice, and the unit after it (a CR there may end a line).
        if (!ended && pending.size() <= slice + cuts.width() && !readMore(slice + 2 * cuts.width()))
            return r;
        qsizetype cut = -1;
        if (ended && pending.size() <= slice)
            cut = pending.size();
        if (cut < 0 && floor < slice)
            cut = cuts.last(pending, qMin(slice, pending.size()), floor);
        if (cut < 0)
            cut = cuts.first(pending, qMax(searched, qMax(floor, slice)));
        if (cut < 0 && !ended) {
            // No line end yet: this line is longer than a slice, so it is one part.
            searched = qMax<qsizetype>(0, (pending.size() / cuts.width() - 1) * cuts.width());
            if (!readMore(pending.size() + slice))
                return r;
            continue;
        }
        if (cut < 0)
            cut = pending.size();
        const bool last = ended && cut == pending.size();
        if (needsFormat && !format) {
            // The bytes before `floor` are blank lines already looked at.
            const QByteArrayView unseen = QByteArrayView(pending).sliced(floor, cut - floor);
            format = subtitle::formatOfStart(document::decodeText(unseen, from, floor == 0));
            if (!format && !last) {
                floor = cut;
                continue;
            }
        }
        QByteArray part;
        if (cut == pending.size()) {
            part = std::move(pending);
            pending = QByteArray();
        } else {
            part = pending.first(cut);
            pending.remove(0, cut);   // moves the start of the buffer, copies nothing
        }
        before += cut;
        searched = floor = 0;
        const qsizetype lines = last ? 0 : cuts.lineEnds(part);
        document::Document doc(std::move(part), from, {first, last, format});
        GbFindings found;
        if (!runSteps(doc, line, found, &r.stepError))
            return r;
        addLater(r.findings, found, line - 1);
        document::Unsavable unsaved;
        const QByteArray bytes = doc.save(to, &unsaved);
        addLater(r.unsaved, unsaved, line - 1);
        if (!bytes.isEmpty() && out.write(bytes) != bytes.size()) {
            r.writeError = out.errorString();
            return r;
        }
        if (last)
            break;
        line += lines;
        first = false;
    }
    r.ok = true;
    return r;
}

} // namespace batch
