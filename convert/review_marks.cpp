// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/review_marks.h"
#include "convert/review_words.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace review {

namespace {

// Kinds measured as often wrong as this are marked. At this rate, each fansub group of the
// parallel corpus left out in turn, these marks and the words' together hold 70 % of what the
// phrase step still gets wrong there and cover 3.7 % of the Han characters
// (tools/review/uncertain_kinds.py prints the trade-off).
constexpr double kThreshold = 0.006;

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

bool isLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }
bool isLowSurrogate(char16_t c) { return (c & 0xFC00) == 0xDC00; }
bool isHighSurrogate(char16_t c) { return (c & 0xFC00) == 0xD800; }
bool isSurrogate(char16_t c) { return (c & 0xF800) == 0xD800; }

// What a block of 64 units of the two texts holds, a bit for each unit: where they differ,
// where either has a line end, where the result has a surrogate.
struct BlockBits {
    std::uint64_t differs = 0;
    std::uint64_t lineEnds = 0;
    std::uint64_t surrogates = 0;
};

BlockBits blockBits(const char16_t* a, const char16_t* b)
{
    BlockBits bits;
#if defined(__SSE2__)
    _mm_prefetch(reinterpret_cast<const char*>(a + 1024), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(a + 1024 + 32), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(b + 1024), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(b + 1024 + 32), _MM_HINT_T0);
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    const __m128i surrogateMask = _mm_set1_epi16(short(0xF800));
    const __m128i surrogate = _mm_set1_epi16(short(0xD800));
    for (int j = 0; j < 64; j += 16) {
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + j));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + j + 8));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + j));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + j + 8));
        const auto bits16 = [](__m128i lo, __m128i hi) {
            return std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_packs_epi16(lo, hi))));
        };
        const std::uint64_t same = bits16(_mm_cmpeq_epi16(a0, b0), _mm_cmpeq_epi16(a1, b1));
        bits.differs |= (~same & 0xFFFF) << j;
        const auto ends = [&](__m128i x, __m128i y) {
            return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(x, cr), _mm_cmpeq_epi16(x, lf)),
                                _mm_or_si128(_mm_cmpeq_epi16(y, cr), _mm_cmpeq_epi16(y, lf)));
        };
        bits.lineEnds |= bits16(ends(a0, b0), ends(a1, b1)) << j;
        bits.surrogates |= bits16(_mm_cmpeq_epi16(_mm_and_si128(b0, surrogateMask), surrogate),
                                  _mm_cmpeq_epi16(_mm_and_si128(b1, surrogateMask), surrogate))
                           << j;
    }
#else
    for (int j = 0; j < 64; ++j) {
        bits.differs |= std::uint64_t(a[j] != b[j]) << j;
        bits.lineEnds |= std::uint64_t(isLineEnd(a[j]) || isLineEnd(b[j])) << j;
        bits.surrogates |= std::uint64_t(isSurrogate(b[j])) << j;
    }
#endif
    return bits;
}

// Millions of marks are tens of megabytes written once: in 2 MB pages the kernel sets them up
// about four times as fast as in 4 KB ones. Only a hint; where it is not taken, nothing changes.
void askForLargePages(void* data, size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr size_t kLarge = size_t(2) << 20;
    if (bytes < 2 * kLarge)
        return;
    const auto from = (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~std::uintptr_t(kLarge - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~std::uintptr_t(kLarge - 1);
    if (to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

class Marker {
public:
    static constexpr size_t kNone = SIZE_MAX;

    Marker(const UncertainKinds& kinds, MarkOptions options, std::vector<Mark>& out)
        : kinds_(kinds), options_(options), out_(out)
    {
        options_.uncertain = options_.uncertain && kinds_.size() > 0;
        keyFlags_.assign(0x10000, 0);
        for (const UncertainKinds::Kind& kind : kinds_.all()) {
            if (kind.key >= 0x10000)
                continue;
            // The first kinds' readings sit here, next to their flags; the rest are looked up.
            const size_t slot = std::min(readings_.size(), kLookedUp);
            keyFlags_[kind.key] = std::uint8_t(0x80 | slot);
            if (slot < kLookedUp)
                readings_.push_back(std::to_array(kind.units));
        }
    }

    // One line of each text, at its position in its text. The line's marks come out sorted.
    void line(QStringView before, qsizetype beforeAt, QStringView result, qsizetype resultAt)
    {
        if (before == result && !(options_.uncertain && hasKey(before)))
            return;
        if (before.size() == result.size()) {
            walk(reinterpret_cast<const char16_t*>(before.utf16()), beforeAt, reinterpret_cast<const char16_t*>(result.utf16()), resultAt,
                 result.size());
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

    // Walks `n` units of both texts side by side, character for character, in one pass that
    // leaves the marks sorted: a changed run goes in when it opens and gets its length when it
    // closes, so the uncertain marks inside it follow it. Runs are widened so no surrogate pair
    // is cut. Returns n, or where a line end of one text meets something else in the other:
    // from there the lines line up only through a diff (the marks up to there are in).
    // Most of the text goes 64 units at a time: only where the texts differ or a character
    // has several readings does anything happen.
    qsizetype walk(const char16_t* a, qsizetype beforeAt, const char16_t* b, qsizetype resultAt, qsizetype n)
    {
        open_ = kNone;
        const bool changed = options_.changed;
        const bool uncertain = options_.uncertain;
        qsizetype i = 0;
        for (; i + 64 <= n; i += 64) {
            const BlockBits bits = blockBits(a + i, b + i);
            if (bits.surrogates != 0) {
                const qsizetype stop = unitByUnit(a, beforeAt, b, resultAt, i, i + 64);
                if (stop >= 0)
                    return stop;
                continue;
            }
            // Where a changed run starts and where one ends (the first unit after it), up to
            // where line ends parted if they did; starts and ends alternate, so each start pairs
            // with the end that follows it.
            const std::uint64_t parted = bits.differs & bits.lineEnds;
            const std::uint64_t limit = parted != 0 ? (parted & (0 - parted)) - 1 : ~std::uint64_t(0);
            std::uint64_t starts = 0;
            std::uint64_t ends = 0;
            if (changed) {
                const std::uint64_t was = (bits.differs << 1) | (open_ != kNone ? 1 : 0);
                starts = bits.differs & ~was & limit;
                ends = ~bits.differs & was & limit;
            }
            const auto runsUpTo = [&](std::uint64_t upTo) {
                std::uint64_t s = starts & upTo;
                std::uint64_t e = ends & upTo;
                starts &= ~upTo;
                ends &= ~upTo;
                if (open_ != kNone && e != 0) {
                    closeRun(resultAt + i + std::countr_zero(e));
                    e &= e - 1;
                }
                while (s != 0) {
                    const int j = std::countr_zero(s);
                    s &= s - 1;
                    openRun(resultAt + i + j, beforeAt + i + j);
                    if (e != 0) {
                        closeRun(resultAt + i + std::countr_zero(e));
                        e &= e - 1;
                    }
                }
            };
            // An uncertain mark goes in after the runs that start at or before it.
            std::uint64_t keys = uncertain ? keyBits(a + i) & limit : 0;
            while (keys != 0) {
                const int j = std::countr_zero(keys);
                keys &= keys - 1;
                runsUpTo((std::uint64_t(2) << j) - 1);
                uncertainAt(a[i + j], b[i + j], beforeAt + i + j, resultAt + i + j);
            }
            runsUpTo(~std::uint64_t(0));
            if (parted != 0) {
                open_ = kNone;
                return i + std::countr_zero(parted);
            }
        }
        const qsizetype stop = unitByUnit(a, beforeAt, b, resultAt, i, n);
        if (stop >= 0)
            return stop;
        if (open_ != kNone)
            closeRun(resultAt + n);
        return n;
    }

    // A bit for each of the 64 units at `a` that is the key of a kind.
    std::uint64_t keyBits(const char16_t* a) const
    {
#if defined(__SSE2__)
        // Independent byte loads put together in registers, 8 at a time, and their top bits
        // taken at once (stored bytes read back as a vector would wait for the stores).
        const std::uint8_t* table = keyFlags_.data();
        std::uint64_t bits = 0;
        for (int j = 0; j < 64; j += 16) {
            std::uint64_t lo = 0;
            std::uint64_t hi = 0;
#pragma GCC unroll 8
            for (int k = 0; k < 8; ++k) {
                lo |= std::uint64_t(table[a[j + k]]) << (8 * k);
                hi |= std::uint64_t(table[a[j + 8 + k]]) << (8 * k);
            }
            bits |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_set_epi64x(std::int64_t(hi), std::int64_t(lo))))) << j;
        }
        return bits;
#else
        std::uint64_t bits = 0;
        for (int j = 0; j < 64; ++j)
            bits |= std::uint64_t(keyFlags_[a[j]] >> 7) << j;
        return bits;
#endif
    }

    // Takes back the marks from result position `start` on.
    void dropFrom(qsizetype start)
    {
        while (!out_.empty() && out_.back().start >= start)
            out_.pop_back();
        open_ = kNone;
    }

    // What follows the old text's last line in the result: added, all of it.
    void added(qsizetype resultAt, qsizetype length, qsizetype beforeEnd)
    {
        if (options_.changed && length > 0)
            push(MarkKind::Changed, 0, resultAt, length, beforeEnd, 0);
    }

private:
    void push(MarkKind kind, char16_t chosen, qsizetype start, qsizetype length, qsizetype fromStart, qsizetype fromLength)
    {
        out_.push_back({kind, false, chosen, std::uint32_t(start), std::uint32_t(length), std::uint32_t(fromStart),
                        std::uint32_t(fromLength)});
    }

    void openRun(qsizetype start, qsizetype fromStart)
    {
        open_ = out_.size();
        push(MarkKind::Changed, 0, start, 0, fromStart, 0);
    }

    void closeRun(qsizetype end)
    {
        Mark& run = out_[open_];
        run.length = run.fromLength = std::uint32_t(end - run.start);
        open_ = kNone;
    }

    void uncertainAt(char16_t was, char16_t now, qsizetype fromStart, qsizetype start)
    {
        const unsigned flags = keyFlags_[was];
        if (flags == 0 || now == 0 || isSurrogate(now))
            return;
        const size_t slot = flags & 0x7F;
        bool reading = false;
        if (slot < kLookedUp) {
            for (char16_t unit : readings_[slot])
                reading |= unit == now;
        } else {
            reading = kinds_.find(was)->hasReading(now);
        }
        if (reading)
            push(MarkKind::Uncertain, now, start, 1, fromStart, 1);
    }

    // The walk over units [from, to), one at a time: where surrogates need care, and the tail.
    // Returns where line ends parted, or -1.
    qsizetype unitByUnit(const char16_t* a, qsizetype beforeAt, const char16_t* b, qsizetype resultAt, qsizetype from,
                         qsizetype to)
    {
        for (qsizetype i = from; i < to; ++i) {
            const bool differs = a[i] != b[i];
            if (differs && (isLineEnd(a[i]) || isLineEnd(b[i]))) {
                open_ = kNone;
                return i;
            }
            if (options_.changed && differs && open_ == kNone) {
                const qsizetype start = i > 0 && isLowSurrogate(b[i]) && isHighSurrogate(b[i - 1]) ? i - 1 : i;
                openRun(resultAt + start, beforeAt + start);
            } else if (open_ != kNone && !differs && !isLowSurrogate(b[i])) {
                closeRun(resultAt + i);
            }
            if (options_.uncertain && keyFlags_[a[i]] != 0)
                uncertainAt(a[i], b[i], beforeAt + i, resultAt + i);
        }
        return -1;
    }

    void changedLine(QStringView before, qsizetype beforeAt, QStringView result, qsizetype resultAt)
    {
        eachStretch(before, result, [&](QStringView was, QStringView now, qsizetype nowAt) {
            if (!now.isEmpty())
                push(MarkKind::Changed, 0, resultAt + nowAt, now.size(), beforeAt + (was.data() - before.data()), was.size());
        });
    }

    // Each result character that stands for a character with several readings, one of which
    // it is.
    void uncertainLine(QStringView before, qsizetype beforeAt, QStringView result, qsizetype resultAt)
    {
        if (!hasKey(before))
            return;
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
            if (keyFlags_[c.unicode()] != 0)
                return true;
        return false;
    }

    void uncertainAligned(QStringView before, qsizetype beforeAt, QStringView result, qsizetype resultAt)
    {
        if (before.size() != result.size())
            return;
        for (qsizetype i = 0; i < before.size(); ++i)
            uncertainAt(before[i].unicode(), result[i].unicode(), beforeAt + i, resultAt + i);
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
    // For each BMP key 0x80 and the slot of its readings in readings_ (kLookedUp: none), else 0.
    static constexpr size_t kLookedUp = 0x7F;
    std::vector<std::uint8_t> keyFlags_;
    std::vector<std::array<char16_t, sizeof(UncertainKinds::Kind::units) / sizeof(char16_t)>> readings_;
    size_t open_ = kNone;                             // the changed run being built
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

const UncertainKinds::Kind* MarkList::reading(const Mark& mark) const
{
    if (mark.word)
        return words != nullptr && mark.chosen < words->size() ? &words->word(mark.chosen).kind : nullptr;
    if (mark.kind != MarkKind::Uncertain || kinds == nullptr || mark.fromStart >= before.size())
        return nullptr;
    return kinds->find(before[mark.fromStart].unicode());
}

QStringList MarkList::alternatives(const Mark& mark) const
{
    const UncertainKinds::Kind* kind = reading(mark);
    if (kind == nullptr)
        return {};
    // A word's readings start with the text it matched.
    if (mark.word)
        return kind->readings;
    const QString chosen(QChar(mark.chosen));
    QStringList out{chosen};
    for (const QString& r : kind->readings)
        if (r != chosen)
            out << r;
    return out;
}

qsizetype MarkList::uncertainCount() const
{
    return std::count_if(marks.begin(), marks.end(), [](const Mark& m) { return m.kind == MarkKind::Uncertain; });
}

static_assert(sizeof(Mark) == 20, "millions of marks: keep them small");

MarkList markCommand(const QString& before, QStringView result, const UncertainKinds& kinds, MarkOptions options)
{
    MarkList list;
    list.before = before;
    list.kinds = &kinds;
    if (before.size() > qsizetype(UINT32_MAX) || result.size() > qsizetype(UINT32_MAX))
        return list;
    // Converted subtitles change about one character in ten; room reserved and never written
    // costs no memory, while growing copies everything written so far.
    list.marks.reserve(size_t(result.size() / 8));
    askForLargePages(list.marks.data(), list.marks.capacity() * sizeof(Mark));
    Marker marker(kinds, options, list.marks);
    const char16_t* a = reinterpret_cast<const char16_t*>(before.utf16());
    const char16_t* z = reinterpret_cast<const char16_t*>(result.utf16());
    qsizetype b = 0;
    qsizetype r = 0;
    for (;;) {
        // Most commands keep every line's length: the rest of both texts goes as one walk, up
        // to a line whose length changed. That line goes through a diff, then the walk goes on.
        const qsizetype n = std::min(before.size() - b, result.size() - r);
        qsizetype stop = marker.walk(a + b, b, z + r, r, n);
        if (stop == n && before.size() - b == result.size() - r)
            return list;
        // Back to the start of the line where they parted: the units before `stop` agree, and
        // a CR there may begin a CR LF in one text only.
        while (stop > 0 && !(a[b + stop - 1] == u'\n' ||
                             (a[b + stop - 1] == u'\r' && !(b + stop < before.size() && a[b + stop] == u'\n') &&
                              !(r + stop < result.size() && z[r + stop] == u'\n'))))
            --stop;
        marker.dropFrom(r + stop);
        b += stop;
        r += stop;
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
            return list;
        }
        b = lb.next;
        r = lr.next;
    }
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
