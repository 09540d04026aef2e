// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/review_marks.h"

#include <QFile>

#include <algorithm>
#include <bitset>
#include <memory>

namespace review {

namespace {

// Kinds measured as often wrong as this are marked. At this rate the marks on the development
// corpora cover most of what the phrase step still gets wrong while covering a few per cent of
// the characters (see tools/review).
constexpr double kThreshold = 0.05;

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

class Marker {
public:
    Marker(const UncertainKinds& kinds, MarkOptions options) : kinds_(kinds), options_(options)
    {
        for (const UncertainKinds::Kind& kind : kinds_.all())
            if (kind.source < 0x10000)
                bmp_.set(kind.source);
    }

    std::vector<Mark> take() { return std::move(marks_); }

    // Changed spans of one line of the result against the same line before.
    void changedLine(QStringView before, QStringView from, QStringView result, qsizetype resultAt)
    {
        if (before == result)
            return;
        if (before.size() == result.size()) {
            // The usual case: character for character. Runs of differing units make one mark,
            // widened so no surrogate pair is cut.
            for (qsizetype i = 0; i < result.size();) {
                if (before[i] == result[i]) {
                    ++i;
                    continue;
                }
                qsizetype j = i;
                while (j < result.size() && before[j] != result[j])
                    ++j;
                if (i > 0 && result[i].isLowSurrogate())
                    --i;
                if (j < result.size() && result[j].isLowSurrogate())
                    ++j;
                addChanged(resultAt + i, j - i, from.size() == result.size() ? from.mid(i, j - i) : before.mid(i, j - i));
                i = j;
            }
            return;
        }
        eachStretch(before, result, [&](QStringView was, QStringView now, qsizetype nowAt) {
            if (!now.isEmpty())
                addChanged(resultAt + nowAt, now.size(), was);
        });
    }

    // Uncertain characters of one line: each result character that stands for a source
    // character with several readings, one of which it is.
    void uncertainLine(QStringView source, QStringView result, qsizetype resultAt)
    {
        if (!hasCandidate(source))
            return;
        if (source.size() == result.size()) {
            uncertainAligned(source, result, resultAt);
            return;
        }
        qsizetype sourceAt = 0;
        qsizetype nowAt = 0;
        eachStretch(source, result, [&](QStringView was, QStringView now, qsizetype at) {
            // The equal stretch before this replacement, then the replacement where it keeps
            // the character count.
            const qsizetype gap = at - nowAt;
            uncertainAligned(source.mid(sourceAt, gap), result.mid(nowAt, gap), resultAt + nowAt);
            sourceAt += gap + was.size();
            nowAt = at + now.size();
            if (was.size() == now.size())
                uncertainAligned(was, now, resultAt + at);
        });
        uncertainAligned(source.mid(sourceAt), result.mid(nowAt), resultAt + nowAt);
    }

    bool wantsChanged() const { return options_.changed; }
    bool wantsUncertain() const { return options_.uncertain && kinds_.size() > 0; }

private:
    bool hasCandidate(QStringView text) const
    {
        for (QChar c : text)
            if (bmp_.test(c.unicode()))
                return true;
        return false;
    }

    void uncertainAligned(QStringView source, QStringView result, qsizetype resultAt)
    {
        if (source.size() != result.size())
            return;
        for (qsizetype i = 0; i < source.size(); ++i) {
            const QChar s = source[i];
            if (!bmp_.test(s.unicode()))
                continue;
            const UncertainKinds::Kind* kind = kinds_.find(s.unicode());
            const QString chosen = result.mid(i, 1).toString();
            if (kind == nullptr || !kind->readings.contains(chosen))
                continue;
            Mark mark;
            mark.kind = MarkKind::Uncertain;
            mark.start = resultAt + i;
            mark.length = 1;
            mark.from = QString(s);
            mark.alternatives << chosen;
            for (const QString& r : kind->readings)
                if (r != chosen)
                    mark.alternatives << r;
            mark.rate = kind->rate;
            marks_.push_back(std::move(mark));
        }
    }

    void addChanged(qsizetype start, qsizetype length, QStringView from)
    {
        Mark mark;
        mark.kind = MarkKind::Changed;
        mark.start = start;
        mark.length = length;
        mark.from = from.toString();
        marks_.push_back(std::move(mark));
    }

    // Calls `replaced(was, now, nowAt)` for each replaced stretch of `b` against `a`, in order;
    // nowAt is the stretch's UTF-16 position in `b`.
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
    std::bitset<0x10000> bmp_;
    std::vector<Mark> marks_;
};

} // namespace

const UncertainKinds::Kind* UncertainKinds::find(char32_t source) const
{
    const auto it = std::lower_bound(kinds_.begin(), kinds_.end(), source,
                                     [](const Kind& k, char32_t c) { return k.source < c; });
    return it != kinds_.end() && it->source == source ? &*it : nullptr;
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
        kind.source = fields[0][0].unicode();
        for (QStringView r : fields[1].split(u' ', Qt::SkipEmptyParts))
            kind.readings << r.toString();
        kind.rate = rate;
        if (kind.readings.size() >= 2)
            out.kinds_.push_back(std::move(kind));
    }
    std::sort(out.kinds_.begin(), out.kinds_.end(), [](const Kind& x, const Kind& y) { return x.source < y.source; });
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

std::vector<Mark> markCommand(const CommandTexts& texts, const UncertainKinds& kinds, MarkOptions options)
{
    Marker marker(kinds, options);
    const QStringView source = texts.source.isNull() ? texts.before : texts.source;
    const QStringView result = texts.result;

    qsizetype b = 0;
    qsizetype s = 0;
    qsizetype r = 0;
    for (;;) {
        const Line lb = lineAt(texts.before, b);
        const Line ls = lineAt(source, s);
        const Line lr = lineAt(result, r);
        const QStringView lineR = result.mid(lr.start, lr.end - lr.start);
        if (marker.wantsChanged())
            marker.changedLine(texts.before.mid(lb.start, lb.end - lb.start), source.mid(ls.start, ls.end - ls.start),
                               lineR, lr.start);
        if (marker.wantsUncertain())
            marker.uncertainLine(source.mid(ls.start, ls.end - ls.start), lineR, lr.start);
        const bool lastBefore = lb.next == lb.end;
        const bool lastResult = lr.next == lr.end;
        if (lastBefore || lastResult) {
            // Lines the command added after the old text's last line: all of them changed, line end
            // included.
            if (lastBefore && !lastResult && marker.wantsChanged())
                marker.changedLine(QStringView(), QStringView(), result.mid(lr.end), lr.end);
            break;
        }
        b = lb.next;
        s = ls.next;
        r = lr.next;
    }

    std::vector<Mark> marks = marker.take();
    std::stable_sort(marks.begin(), marks.end(), [](const Mark& x, const Mark& y) { return x.start < y.start; });
    return marks;
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

QByteArray toJsonLines(QStringView result, const std::vector<Mark>& marks, const QString& file)
{
    QByteArray out;
    // One walk over the text: marks come sorted by start, so line and column only move on.
    qsizetype at = 0;
    qsizetype line = 1;
    qsizetype column = 0;
    auto codePoints = [](QStringView s) {
        qsizetype n = 0;
        for (qsizetype i = 0; i < s.size(); ++i)
            n += !(s[i].isLowSurrogate() && i > 0 && s[i - 1].isHighSurrogate());
        return n;
    };
    for (const Mark& mark : marks) {
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
               ", \"text\": " + jsonString(text) + ", \"from\": " + jsonString(mark.from);
        if (mark.kind == MarkKind::Uncertain) {
            out += ", \"alternatives\": [";
            for (qsizetype i = 0; i < mark.alternatives.size(); ++i)
                out += (i ? ", " : "") + jsonString(mark.alternatives[i]);
            out += "], \"rate\": " + QByteArray::number(mark.rate, 'g', 4);
        }
        out += '}';
        out += '\n';
    }
    return out;
}

} // namespace review
