// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/subtitle_text.h"

#include <QList>

#include <algorithm>

namespace subtitle {
namespace {

struct Line {
    qsizetype start = 0;
    qsizetype end = 0;   // before the line end
};

std::vector<Line> splitLines(QStringView text)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\n' && c != u'\r')
            continue;
        lines.push_back({start, i});
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back({start, text.size()});
    return lines;
}

// Markup inside a piece of readable text, taken out so the words around it meet again.
struct Mark {
    qsizetype at;   // position in the text without markup
    QStringView markup;
};

struct Piece {
    qsizetype start = 0, end = 0;   // the readable range in the whole text
    QString plain;                  // without markup
    std::vector<Mark> marks;
};

bool isCueNumber(QStringView t)
{
    return std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
}

// "00:00:01,000 --> 00:00:03,500" (SRT) or with dots (WebVTT), maybe with settings after it.
bool isTimecodeLine(QStringView t)
{
    const qsizetype arrow = t.indexOf(u"-->");
    if (arrow < 0)
        return false;
    auto isTime = [](QStringView s) {
        s = s.trimmed();
        const qsizetype space = s.indexOf(u' ');
        if (space > 0)
            s = s.first(space);
        return s.size() >= 8 && std::all_of(s.begin(), s.end(), [](QChar c) {
                   return c.isDigit() || c == u':' || c == u',' || c == u'.';
               });
    };
    return isTime(t.first(arrow)) && isTime(t.sliced(arrow + 3));
}

// The readable part of each line, or nothing for lines that are not read.
std::optional<std::pair<qsizetype, qsizetype>> readableRange(QStringView line, Format format)
{
    if (format == Format::Ass) {
        if (!line.startsWith(u"Dialogue:"))
            return std::nullopt;
        qsizetype commas = 0;
        for (qsizetype i = 9; i < line.size(); ++i) {
            if (line[i] == u',' && ++commas == 9)
                return std::pair(i + 1, line.size());
        }
        return std::nullopt;
    }
    const QStringView t = line.trimmed();
    if (t.isEmpty() || isCueNumber(t) || isTimecodeLine(t))
        return std::nullopt;
    return std::pair(qsizetype(0), line.size());
}

// Where the markup of a piece ends, if a piece of markup starts at text[i].
qsizetype markupEnd(QStringView text, qsizetype i, Format format)
{
    if (format == Format::Ass) {
        if (text[i] != u'{')
            return -1;
        const qsizetype close = text.indexOf(u'}', i + 1);
        return close < 0 ? -1 : close + 1;
    }
    // ASS override blocks in SRT made from ASS ({\an8}, {\fn微软雅黑}); an unclosed "{" is text.
    if (text[i] == u'{' && i + 1 < text.size() && text[i + 1] == u'\\') {
        const qsizetype close = text.indexOf(u'}', i + 2);
        return close < 0 ? -1 : close + 1;
    }
    // <i>, </i>, <font face="...">: a tag name right after the bracket, so "< 3" and "<注意>" stay text.
    if (text[i] != u'<' || i + 1 >= text.size())
        return -1;
    const qsizetype name = text[i + 1] == u'/' ? i + 2 : i + 1;
    if (name >= text.size() || !(text[name].isLetter() && text[name].unicode() < 0x80))
        return -1;
    const qsizetype close = text.indexOf(u'>', name);
    const qsizetype reopen = text.indexOf(u'<', name);
    return close < 0 || (reopen >= 0 && reopen < close) ? -1 : close + 1;
}

// Plain subtitle text with no "<" and no "{\" holds no markup.
bool mayHoldTags(QStringView text)
{
    if (text.contains(u'<'))
        return true;
    // "{\\" looked for as '{' then its next unit: a search for one unit is many times faster.
    for (qsizetype i = text.indexOf(u'{'); i >= 0 && i + 1 < text.size(); i = text.indexOf(u'{', i + 1)) {
        if (text[i + 1] == u'\\')
            return true;
    }
    return false;
}

Piece liftMarkup(QStringView text, qsizetype start, qsizetype end, Format format)
{
    Piece piece{start, end, {}, {}};
    const QStringView range = text.sliced(start, end - start);
    if (format == Format::Ass ? !range.contains(u'{') : !mayHoldTags(range)) {
        piece.plain = range.toString();   // the usual line: no markup at all
        return piece;
    }
    piece.plain.reserve(end - start);
    qsizetype i = start;
    while (i < end) {
        const qsizetype markEnd = markupEnd(text.first(end), i, format);
        if (markEnd < 0) {
            piece.plain.append(text[i++]);
            continue;
        }
        piece.marks.push_back({piece.plain.size(), text.sliced(i, markEnd - i)});
        i = markEnd;
    }
    return piece;
}

// Where a position of the input lands in the output, given the stretches that changed length
// (in input order): inside such a stretch, at its end.
qsizetype mapThrough(const std::vector<convert::LengthChange>& changes, qsizetype p)
{
    qsizetype shift = 0;
    for (const convert::LengthChange& c : changes) {
        if (p <= c.inStart)
            break;
        if (p < c.inStart + c.inLength)
            return c.inStart + shift + c.outLength;
        shift += c.outLength - c.inLength;
    }
    return p + shift;
}

// The stretches that changed length between a line and its conversion, found by lining up
// the characters the conversion left alone (a longest common subsequence).
std::vector<convert::LengthChange> alignByCommonCharacters(QStringView in, QStringView out)
{
    const qsizetype n = in.size(), m = out.size();
    constexpr qsizetype kLongest = 2000;
    if (n > kLongest || m > kLongest)   // a line that long: one stretch between the ends that agree
    {
        qsizetype a = 0;
        while (a < n && a < m && in[a] == out[a])
            ++a;
        qsizetype b = 0;
        while (b < n - a && b < m - a && in[n - 1 - b] == out[m - 1 - b])
            ++b;
        return {{a, n - a - b, m - a - b}};
    }
    std::vector<int> table(size_t((n + 1) * (m + 1)), 0);
    auto at = [&](qsizetype i, qsizetype j) -> int& { return table[size_t(i * (m + 1) + j)]; };
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            at(i, j) = in[i] == out[j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    std::vector<convert::LengthChange> changes;
    qsizetype i = 0, j = 0, gapIn = 0, gapOut = 0;
    auto closeGap = [&] {
        if (i - gapIn != j - gapOut)
            changes.push_back({gapIn, i - gapIn, j - gapOut});
    };
    while (i < n && j < m) {
        if (in[i] == out[j] && at(i, j) == at(i + 1, j + 1) + 1) {
            closeGap();
            gapIn = ++i;
            gapOut = ++j;
        } else if (at(i + 1, j) >= at(i, j + 1)) {
            ++i;
        } else {
            ++j;
        }
    }
    i = n;
    j = m;
    closeGap();
    return changes;
}

QString putMarkupBack(const Piece& piece, QStringView converted,
                      const std::vector<convert::LengthChange>* changes, qsizetype offset)
{
    if (piece.marks.empty())
        return converted.toString();
    std::vector<convert::LengthChange> local;
    if (!changes && converted.size() != piece.plain.size()) {
        local = alignByCommonCharacters(piece.plain, converted);
        changes = &local;
        offset = 0;
    }
    QString out;
    out.reserve(converted.size() + 32);
    qsizetype from = 0;
    const qsizetype base = changes ? mapThrough(*changes, offset) : 0;
    for (const Mark& mark : piece.marks) {
        const qsizetype to = changes ? mapThrough(*changes, offset + mark.at) - base : mark.at;
        out += converted.sliced(from, std::clamp(to, from, converted.size()) - from);
        from = std::clamp(to, from, converted.size());
        out += mark.markup;
    }
    out += converted.sliced(from);
    return out;
}

} // namespace

Format detectFormat(QStringView text)
{
    return formatOfStart(text).value_or(Format::Plain);
}

std::optional<Format> formatOfStart(QStringView text)
{
    // Only the first line with something on it counts.
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        QStringView line = text.sliced(start, end - start).trimmed();
        if (line.startsWith(u'\uFEFF'))
            line = line.sliced(1).trimmed();
        if (!line.isEmpty())
            return line.compare(u"[Script Info]", Qt::CaseInsensitive) == 0 ? Format::Ass : Format::Plain;
        start = end + 1;
    }
    return std::nullopt;
}

// Plain subtitles without tags: cue numbers and timecodes are ASCII, which no conversion
// touches, so the whole text converts as its lines would one by one.
bool readsWhole(QStringView text, std::optional<Format> format)
{
    return !mayHoldTags(text) && (format ? *format : detectFormat(text)) == Format::Plain;
}

QString convertReadable(QStringView text, const Conversion& convert, std::optional<Format> givenFormat)
{
    const Format format = givenFormat ? *givenFormat : detectFormat(text);
    if (format == Format::Plain && !mayHoldTags(text))
        return convert(text).text;
    std::vector<Piece> pieces;
    QString joined;
    for (const Line& line : splitLines(text)) {
        const auto range = readableRange(text.sliced(line.start, line.end - line.start), format);
        if (!range)
            continue;
        Piece piece = liftMarkup(text, line.start + range->first, line.start + range->second, format);
        if (!pieces.empty())
            joined += u'\n';
        joined += piece.plain;
        pieces.push_back(std::move(piece));
    }
    if (pieces.empty())
        return text.toString();

    const Converted converted = convert(joined);
    const QList<QStringView> lines = QStringView(converted.text).split(u'\n');
    if (lines.size() != qsizetype(pieces.size())) {
        // The conversion did not keep the line ends it was given: convert piece by piece.
        QString out = text.toString();
        for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
            const Converted one = convert(it->plain);
            out.replace(it->start, it->end - it->start,
                        putMarkupBack(*it, one.text, one.changes ? &*one.changes : nullptr, 0));
        }
        return out;
    }
    QString out;
    out.reserve(text.size() + text.size() / 8);
    qsizetype from = 0;
    qsizetype offset = 0;   // where the piece starts in the joined input
    for (size_t k = 0; k < pieces.size(); ++k) {
        const Piece& piece = pieces[k];
        out += text.sliced(from, piece.start - from);
        out += putMarkupBack(piece, lines[qsizetype(k)], converted.changes ? &*converted.changes : nullptr, offset);
        from = piece.end;
        offset += piece.plain.size() + 1;
    }
    out += text.sliced(from);
    return out;
}

} // namespace subtitle
