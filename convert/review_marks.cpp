// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/review_marks.h"

#include <QFile>

#include <algorithm>
#include <bitset>
#include <memory>

namespace review {

namespace {

// Kinds measured as often wrong as this are marked. At this rate, each fansub group of the
// parallel corpus left out in turn, the marks hold a third to two thirds of what the phrase step
// still gets wrong there and cover about 2.5 % of the Han characters
// (tools/review/uncertain_kinds.py prints the trade-off).
constexpr double kThreshold = 0.01;

// Where one line's text ends and the next begins: CR LF, a lone CR and a lone LF each end one.
struct Line {
    qsizetype start = 0;
    qsizetype end = 0;    // end of the text, before the line end
    qsizetype next = 0;   // start of the next line
};

Line lineAt(QStringView text, qsizetype start)
{
    const QChar* data = text.data();
    const qsizetype size = text.size();
    qsizetype i = start;
    while (i < size && data[i] != u'\r' && data[i] != u'\n')
        ++i;
    Line line{start, i, i};
    if (i < size)
        line.next = (data[i] == u'\r' && i + 1 < size && data[i + 1] == u'\n') ? i + 2 : i + 1;
    return line;
}

// One code point of a line: its value and where it stands in UTF-16.
struct Cell {
    char32_t value;
    qsizetype at;
    qsizetype units;
};

std::vector<Cell> cells(QStringView text)
{
    std::vector<Cell> out;
    out.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.push_back({QChar::surrogateToUcs4(c, text[i + 1]), i, 2});
            i += 2;
        } else {
            out.push_back({c.unicode(), i, 1});
            ++i;
        }
    }
    return out;
}

// A stretch of the edit script: `a` cells of the old line stand for `b` cells of the new one,
// equal (same count, same cells) or replaced.
struct Stretch {
    bool equal;
    qsizetype a;
    qsizetype b;
};

// Myers' shortest edit script between two lines, as stretches; empty when more than `maxD`
// edits would be needed (the caller then takes the whole middle as one replacement).
std::vector<Stretch> editScript(const std::vector<Cell>& a, const std::vector<Cell>& b, int maxD)
{
    const int n = int(a.size());
    const int m = int(b.size());
    const int offset = maxD + 1;
    std::vector<int> v(size_t(2 * offset + 1), 0);
    std::vector<std::vector<int>> trace;
    int found = -1;
    for (int d = 0; d <= maxD && found < 0; ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[size_t(offset + k - 1)] < v[size_t(offset + k + 1)]))
                        ? v[size_t(offset + k + 1)]
                        : v[size_t(offset + k - 1)] + 1;
            int y = x - k;
            while (x < n && y < m && a[size_t(x)].value == b[size_t(y)].value) {
                ++x;
                ++y;
            }
            v[size_t(offset + k)] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0)
        return {};

    // Walk back through the saved frontiers, one edit at a time.
    std::vector<char> ops;   // '=', '-' (old cell dropped), '+' (new cell added), reversed
    int x = n;
    int y = m;
    for (int d = found; d > 0; --d) {
        const std::vector<int>& pv = trace[size_t(d)];
        const int k = x - y;
        const bool down = (k == -d || (k != d && pv[size_t(offset + k - 1)] < pv[size_t(offset + k + 1)]));
        const int prevK = down ? k + 1 : k - 1;
        const int prevX = pv[size_t(offset + prevK)];
        const int prevY = prevX - prevK;
        while (x > prevX && y > prevY) {
            ops.push_back('=');
            --x;
            --y;
        }
        ops.push_back(down ? '+' : '-');
        x = prevX;
        y = prevY;
    }
    while (x > 0 && y > 0) {
        ops.push_back('=');
        --x;
        --y;
    }

    std::vector<Stretch> script;
    for (auto it = ops.rbegin(); it != ops.rend(); ++it) {
        const bool equal = *it == '=';
        if (script.empty() || script.back().equal != equal)
            script.push_back({equal, 0, 0});
        if (*it != '+')
            ++script.back().a;
        if (*it != '-')
            ++script.back().b;
    }
    return script;
}

// Lines longer than this, or needing more edits, are compared as one replaced middle.
constexpr int kMaxEdits = 256;
constexpr size_t kMaxDiffCells = 1 << 16;

bool byStart(const Mark& x, const Mark& y) { return x.start < y.start; }

class Marker {
public:
    Marker(const UncertainKinds& kinds, MarkOptions options, std::vector<Mark>& out)
        : kinds_(kinds), options_(options), out_(out)
    {
        options_.uncertain = options_.uncertain && kinds_.size() > 0;
        for (const UncertainKinds::Kind& kind : kinds_.all())
            if (kind.key < 0x10000)
                keys_.set(kind.key);
    }

    // One line of each text, at its position in its text. The line's marks come out sorted.
    void line(QStringView before, qsizetype beforeAt, QStringView result, qsizetype resultAt)
    {
        if (before == result && !(options_.uncertain && hasKey(before)))
            return;
        if (before.size() == result.size()) {
            sameLengthLine(before, beforeAt, result, resultAt);
            return;
        }
        const size_t first = out_.size();
        if (options_.changed)
            changedLine(before, beforeAt, result, resultAt);
        const size_t middle = out_.size();
        if (options_.uncertain)
            uncertainLine(before, beforeAt, result, resultAt);
        if (middle > first && out_.size() > middle)
            std::inplace_merge(out_.begin() + std::ptrdiff_t(first), out_.begin() + std::ptrdiff_t(middle), out_.end(), byStart);
    }

    // The usual line, character for character, in one pass that leaves its marks sorted: a
    // changed run goes in when it opens and gets its length when it closes, so the uncertain
    // marks inside it follow it. Runs are widened so no surrogate pair is cut.
    // With `wholeText`, the two texts are walked as one and the walk gives up (false, nothing
    // added) where their line ends part: the lines may then line up only through a diff.
    bool sameLengthLine(QStringView before, qsizetype beforeAt, QStringView result, qsizetype resultAt,
                        bool wholeText = false)
    {
        const QChar* a = before.data();
        const QChar* b = result.data();
        const qsizetype n = result.size();
        const bool changed = options_.changed;
        const bool uncertain = options_.uncertain;
        size_t open = SIZE_MAX;   // the run being built
        const size_t first = out_.size();
        for (qsizetype i = 0; i < n; ++i) {
            const bool differs = a[i] != b[i];
            if (wholeText && differs && (isLineEnd(a[i]) || isLineEnd(b[i]))) {
                out_.resize(first);
                return false;
            }
            if (changed && differs && open == SIZE_MAX) {
                const qsizetype start = i > 0 && b[i].isLowSurrogate() ? i - 1 : i;
                open = out_.size();
                out_.push_back({MarkKind::Changed, resultAt + start, 0, beforeAt + start, 0, nullptr, 0});
            } else if (open != SIZE_MAX && !differs && !b[i].isLowSurrogate()) {
                closeRun(open, resultAt + i);
            }
            if (uncertain) {
                const UncertainKinds::Kind* kind = kinds_.find(a[i].unicode());
                if (kind != nullptr && kind->hasReading(b[i].unicode()) && !b[i].isSurrogate())
                    out_.push_back({MarkKind::Uncertain, resultAt + i, 1, beforeAt + i, 1, kind, b[i].unicode()});
            }
        }
        if (open != SIZE_MAX)
            closeRun(open, resultAt + n);
        return true;
    }

    static bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

    void closeRun(size_t& open, qsizetype end)
    {
        Mark& run = out_[open];
        run.length = end - run.start;
        run.fromLength = run.length;
        open = SIZE_MAX;
    }

    // What follows the old text's last line in the result: added, all of it.
    void added(qsizetype resultAt, qsizetype length, qsizetype beforeEnd)
    {
        if (options_.changed && length > 0)
            out_.push_back({MarkKind::Changed, resultAt, length, beforeEnd, 0, nullptr, 0});
    }

private:
    void changedLine(QStringView before, qsizetype beforeAt, QStringView result, qsizetype resultAt)
    {
        if (before == result)
            return;
        if (before.size() == result.size()) {
            // The usual case: character for character. Runs of differing units make one mark,
            // widened so no surrogate pair is cut.
            const QChar* a = before.data();
            const QChar* b = result.data();
            const qsizetype n = result.size();
            for (qsizetype i = 0; i < n;) {
                if (a[i] == b[i]) {
                    ++i;
                    continue;
                }
                qsizetype j = i + 1;
                while (j < n && a[j] != b[j])
                    ++j;
                if (i > 0 && b[i].isLowSurrogate())
                    --i;
                if (j < n && b[j].isLowSurrogate())
                    ++j;
                out_.push_back({MarkKind::Changed, resultAt + i, j - i, beforeAt + i, j - i, nullptr, 0});
                i = j;
            }
            return;
        }
        eachStretch(before, result, [&](QStringView was, QStringView now, qsizetype nowAt) {
            if (!now.isEmpty())
                out_.push_back({MarkKind::Changed, resultAt + nowAt, now.size(), beforeAt + (was.data() - before.data()),
                                was.size(), nullptr, 0});
        });
    }

    // Each result character that stands for a character with several readings, one of which
    // it is.
    void uncertainLine(QStringView before, qsizetype beforeAt, QStringView result, qsizetype resultAt)
    {
        if (!hasKey(before))
            return;
        if (before.size() == result.size()) {
            uncertainAligned(before, beforeAt, result, resultAt);
            return;
        }
        qsizetype beforeDone = 0;
        qsizetype resultDone = 0;
        eachStretch(before, result, [&](QStringView was, QStringView now, qsizetype nowAt) {
            // The equal stretch before this replacement, then the replacement where it keeps
            // the character count.
            const qsizetype gap = nowAt - resultDone;
            uncertainAligned(before.mid(beforeDone, gap), beforeAt + beforeDone, result.mid(resultDone, gap),
                             resultAt + resultDone);
            const qsizetype wasAt = was.data() - before.data();
            if (was.size() == now.size())
                uncertainAligned(was, beforeAt + wasAt, now, resultAt + nowAt);
            beforeDone = wasAt + was.size();
            resultDone = nowAt + now.size();
        });
        uncertainAligned(before.mid(beforeDone), beforeAt + beforeDone, result.mid(resultDone), resultAt + resultDone);
    }

    bool hasKey(QStringView text) const
    {
        for (QChar c : text)
            if (keys_.test(c.unicode()))
                return true;
        return false;
    }

    void uncertainAligned(QStringView before, qsizetype beforeAt, QStringView result, qsizetype resultAt)
    {
        if (before.size() != result.size())
            return;
        for (qsizetype i = 0; i < before.size(); ++i) {
            const UncertainKinds::Kind* kind = kinds_.find(before[i].unicode());
            if (kind == nullptr || result[i].isSurrogate() || !kind->hasReading(result[i].unicode()))
                continue;
            out_.push_back({MarkKind::Uncertain, resultAt + i, 1, beforeAt + i, 1, kind, result[i].unicode()});
        }
    }

    // Calls `replaced(was, now, nowAt)` for each replaced stretch of `b` against `a`, in order;
    // `was` lies in `a`, and nowAt is the stretch's UTF-16 position in `b`.
    template <typename Fn>
    void eachStretch(QStringView a, QStringView b, Fn replaced)
    {
        qsizetype head = 0;
        while (head < a.size() && head < b.size() && a[head] == b[head])
            ++head;
        qsizetype tail = 0;
        while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
            ++tail;
        if (head > 0 && head < b.size() && b[head].isLowSurrogate())
            --head;
        if (tail > 0 && b.size() - tail > head && b[b.size() - tail - 1].isHighSurrogate())
            --tail;
        const QStringView midA = a.mid(head, a.size() - head - tail);
        const QStringView midB = b.mid(head, b.size() - head - tail);
        const std::vector<Cell> ca = cells(midA);
        const std::vector<Cell> cb = cells(midB);
        std::vector<Stretch> script;
        if (ca.size() + cb.size() <= kMaxDiffCells)
            script = editScript(ca, cb, kMaxEdits);
        if (script.empty() && !(ca.empty() && cb.empty())) {
            replaced(midA, midB, head);
            return;
        }
        size_t ia = 0;
        size_t ib = 0;
        for (const Stretch& s : script) {
            if (!s.equal) {
                const qsizetype aFrom = ia < ca.size() ? ca[ia].at : midA.size();
                const qsizetype aTo = ia + size_t(s.a) < ca.size() ? ca[ia + size_t(s.a)].at : midA.size();
                const qsizetype bFrom = ib < cb.size() ? cb[ib].at : midB.size();
                const qsizetype bTo = ib + size_t(s.b) < cb.size() ? cb[ib + size_t(s.b)].at : midB.size();
                replaced(midA.mid(aFrom, aTo - aFrom), midB.mid(bFrom, bTo - bFrom), head + bFrom);
            }
            ia += size_t(s.a);
            ib += size_t(s.b);
        }
    }

    const UncertainKinds& kinds_;
    MarkOptions options_;
    std::vector<Mark>& out_;
    std::bitset<0x10000> keys_;
};

} // namespace

bool UncertainKinds::Kind::hasReading(char16_t reading) const
{
    for (char16_t u : units)
        if (u == reading)
            return u != 0;
    return false;
}

void UncertainKinds::index()
{
    std::sort(kinds_.begin(), kinds_.end(), [](const Kind& x, const Kind& y) { return x.key < y.key; });
    index_.assign(0x10000, 0);
    for (size_t i = 0; i < kinds_.size() && i < 0xFFFF; ++i) {
        Kind& kind = kinds_[i];
        size_t n = 0;
        for (const QString& r : kind.readings)
            if (r.size() == 1 && n < std::size(kind.units))
                kind.units[n++] = r[0].unicode();
        if (kind.key < 0x10000)
            index_[kind.key] = std::uint16_t(i + 1);
    }
}

UncertainKinds UncertainKinds::parse(QStringView data, double threshold)
{
    UncertainKinds out;
    for (QStringView line : data.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QList<QStringView> fields = line.split(u'\t');
        if (fields.size() < 3 || fields[0].size() != 1)
            continue;
        bool ok = false;
        const double rate = fields[2].toDouble(&ok);
        if (!ok || rate < threshold)
            continue;
        Kind kind;
        kind.source = kind.key = fields[0][0].unicode();
        for (QStringView r : fields[1].split(u' ', Qt::SkipEmptyParts))
            kind.readings << r.toString();
        kind.rate = rate;
        if (kind.readings.size() >= 2)
            out.kinds_.push_back(std::move(kind));
    }
    out.index();
    return out;
}

UncertainKinds UncertainKinds::keyedBy(const std::function<char32_t(char32_t)>& key) const
{
    UncertainKinds out;
    for (Kind kind : kinds_) {
        kind.key = key(kind.source);
        if (kind.key != 0)
            out.kinds_.push_back(std::move(kind));
    }
    out.index();
    return out;
}

double markingThreshold() { return kThreshold; }

const UncertainKinds& UncertainKinds::builtIn()
{
    static const UncertainKinds kinds = [] {
        QFile file(QStringLiteral(":/review/uncertain.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return UncertainKinds();
        return parse(QString::fromUtf8(file.readAll()), kThreshold);
    }();
    return kinds;
}

QString MarkList::from(const Mark& mark) const
{
    const QStringView piece = QStringView(before).mid(mark.fromStart, mark.fromLength);
    return readBefore ? readBefore(piece) : piece.toString();
}

QStringList MarkList::alternatives(const Mark& mark) const
{
    if (mark.reading == nullptr)
        return {};
    // A word's readings start with the text it matched.
    if (mark.chosen == 0)
        return mark.reading->readings;
    const QString chosen = QString::fromUcs4(&mark.chosen, 1);
    QStringList out{chosen};
    for (const QString& r : mark.reading->readings)
        if (r != chosen)
            out << r;
    return out;
}

qsizetype MarkList::uncertainCount() const
{
    return std::count_if(marks.begin(), marks.end(), [](const Mark& m) { return m.kind == MarkKind::Uncertain; });
}

MarkList markCommand(const QString& before, QStringView result, const UncertainKinds& kinds, MarkOptions options)
{
    MarkList list;
    list.before = before;
    Marker marker(kinds, options, list.marks);
    // Most commands keep every line's length: then one walk over both texts does.
    if (before.size() == result.size() && marker.sameLengthLine(before, 0, result, 0, true))
        return list;
    qsizetype b = 0;
    qsizetype r = 0;
    for (;;) {
        const Line lb = lineAt(before, b);
        const Line lr = lineAt(result, r);
        marker.line(QStringView(before).mid(lb.start, lb.end - lb.start), lb.start, result.mid(lr.start, lr.end - lr.start),
                    lr.start);
        const bool lastBefore = lb.next == lb.end;
        const bool lastResult = lr.next == lr.end;
        if (lastBefore || lastResult) {
            // Lines the command added after the old text's last line: changed, line end included.
            if (lastBefore && !lastResult)
                marker.added(lr.end, result.size() - lr.end, before.size());
            break;
        }
        b = lb.next;
        r = lr.next;
    }
    return list;
}

namespace {

// A JSON string in UTF-8, keys in the order a reader expects rather than sorted.
QByteArray jsonString(QStringView s)
{
    // Quote, backslash and control bytes never occur inside a multi-byte UTF-8 sequence.
    QByteArray out = "\"";
    for (const char b : s.toUtf8()) {
        const auto u = static_cast<unsigned char>(b);
        if (u == '"' || u == '\\') {
            out += '\\';
            out += b;
        } else if (u < 0x20) {
            out += "\\u00" + QByteArray::number(u, 16).rightJustified(2, '0');
        } else {
            out += b;
        }
    }
    return out + '"';
}

} // namespace

QByteArray toJsonLines(QStringView result, const MarkList& list, const QString& file, qsizetype firstLine)
{
    QByteArray out;
    // One walk over the text: marks come sorted by start, so line and column only move on.
    qsizetype at = 0;
    qsizetype line = firstLine;
    qsizetype column = 0;
    auto codePoints = [](QStringView s) {
        qsizetype n = 0;
        for (qsizetype i = 0; i < s.size(); ++i)
            n += !(s[i].isLowSurrogate() && i > 0 && s[i - 1].isHighSurrogate());
        return n;
    };
    for (const Mark& mark : list.marks) {
        if (mark.start < at)
            continue;
        for (; at < mark.start; ++at) {
            const QChar c = result[at];
            if (c == u'\n' || (c == u'\r' && !(at + 1 < result.size() && result[at + 1] == u'\n'))) {
                ++line;
                column = 0;
            } else if (c != u'\r' && !c.isLowSurrogate()) {
                ++column;
            }
        }
        const QStringView text = result.mid(mark.start, mark.length);
        out += '{';
        if (!file.isEmpty())
            out += "\"file\": " + jsonString(file) + ", ";
        out += "\"line\": " + QByteArray::number(line) + ", \"column\": " + QByteArray::number(column) +
               ", \"length\": " + QByteArray::number(codePoints(text)) + ", \"kind\": " +
               (mark.kind == MarkKind::Uncertain ? "\"uncertain\"" : "\"changed\"") +
               ", \"text\": " + jsonString(text) + ", \"from\": " + jsonString(list.from(mark));
        if (mark.kind == MarkKind::Uncertain) {
            out += ", \"alternatives\": [";
            const QStringList alternatives = list.alternatives(mark);
            for (qsizetype i = 0; i < alternatives.size(); ++i)
                out += (i ? ", " : "") + jsonString(alternatives[i]);
            out += "], \"rate\": " + QByteArray::number(list.rate(mark), 'g', 4);
        }
        out += '}';
        out += '\n';
    }
    return out;
}

} // namespace review
