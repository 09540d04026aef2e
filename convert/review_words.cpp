// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/review_words.h"

#include <QFile>

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace review {

namespace {

// Words rewritten this often are marked. Each fansub group left out in turn, the words and the
// character kinds together hold two thirds to four fifths of what the phrase step still gets
// wrong there, on about 3 % of the Han characters (tools/review/uncertain_kinds.py).
constexpr double kWordThreshold = 0.02;

std::uint64_t packed(const char16_t* units, qsizetype n)
{
    std::uint64_t key = std::uint64_t(n) << 48;
    for (qsizetype i = 0; i < n; ++i)
        key |= std::uint64_t(units[i]) << (16 * (2 - i));
    return key;
}

std::size_t slotOf(std::uint64_t key, std::size_t mask) { return std::size_t((key * 0x9E3779B97F4A7C15ull) >> 32) & mask; }

bool isLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }

// A bit for each of the 64 units at `p` that is a line end.
std::uint64_t lineEndBits(const char16_t* p)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    std::uint64_t bits = 0;
    for (int j = 0; j < 64; j += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j + 8));
        const __m128i ex = _mm_or_si128(_mm_cmpeq_epi16(x, cr), _mm_cmpeq_epi16(x, lf));
        const __m128i ey = _mm_or_si128(_mm_cmpeq_epi16(y, cr), _mm_cmpeq_epi16(y, lf));
        bits |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_packs_epi16(ex, ey)))) << j;
    }
    return bits;
#else
    std::uint64_t bits = 0;
    for (int j = 0; j < 64; ++j)
        bits |= std::uint64_t(isLineEnd(p[j])) << j;
    return bits;
#endif
}

} // namespace

UncertainWords UncertainWords::parse(QStringView data, double threshold)
{
    UncertainWords out;
    for (QStringView line : data.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QList<QStringView> fields = line.split(u'\t');
        if (fields.size() < 5)
            continue;
        bool ok[3] = {};
        Word word;
        word.run = fields[0].toString();
        word.first = fields[1].toInt(&ok[0]);
        word.end = fields[2].toInt(&ok[1]);
        word.kind.rate = fields[4].toDouble(&ok[2]);
        if (!ok[0] || !ok[1] || !ok[2] || word.kind.rate < threshold || word.run.isEmpty() || word.first < 0 ||
            word.end <= word.first || word.end > word.run.size())
            continue;
        const QStringView part = QStringView(word.run).mid(word.first, word.end - word.first);
        for (QStringView r : fields[3].split(u' ', Qt::SkipEmptyParts))
            word.kind.readings << r.toString();
        // The first reading is what the text holds; without another there is nothing to offer.
        if (word.kind.readings.size() < 2 || word.kind.readings.front() != part)
            continue;
        out.words_.push_back(std::move(word));
    }
    out.index();
    return out;
}

void UncertainWords::index()
{
    // Words of one to three BMP units only, the first of a run kept; at most 0x7FFF of them.
    std::vector<Word> kept;
    for (Word& word : words_) {
        const bool fits = word.run.size() <= 3 &&
                          std::none_of(word.run.begin(), word.run.end(), [](QChar c) { return c.isSurrogate(); });
        if (fits && kept.size() < 0x7FFF)
            kept.push_back(std::move(word));
    }
    words_ = std::move(kept);
    std::size_t size = 16;
    while (size < words_.size() * 4)
        size *= 2;
    keys_.assign(size, 0);
    values_.assign(size, 0);
    const std::size_t mask = size - 1;
    auto slot = [&](std::uint64_t key) -> std::uint32_t& {
        std::size_t i = slotOf(key, mask);
        while (keys_[i] != 0 && keys_[i] != key)
            i = (i + 1) & mask;
        keys_[i] = key;
        return values_[i];
    };
    for (std::size_t i = 0; i < words_.size(); ++i) {
        const auto* units = reinterpret_cast<const char16_t*>(words_[i].run.utf16());
        const qsizetype n = words_[i].run.size();
        std::uint16_t& first = firsts_[units[0]];
        set(starts_, units[0]);
        if (n == 1) {
            set(singles_, units[0]);
            singleFlags_[units[0]] = 0x80;
            if ((first & ~kStartsLonger) == 0)
                first |= std::uint16_t(i + 1);
            continue;
        }
        first |= kStartsLonger;
        pairFlags_[pairBit(units[0], units[1])] = 0x80;
        if (n == 2)
            set(pairs_, pairBit(units[0], units[1]));
        else
            set(triples_, tripleBit(units[0], units[1], units[2]));
        std::uint32_t& value = slot(packed(units, n));
        if (value == 0)
            value = std::uint32_t(i + 1);
    }
}

std::uint32_t UncertainWords::probe(std::uint64_t key) const
{
    const std::size_t mask = keys_.size() - 1;
    for (std::size_t i = slotOf(key, mask);; i = (i + 1) & mask) {
        if (keys_[i] == key)
            return values_[i];
        if (keys_[i] == 0)
            return 0;
    }
}

const UncertainWords::Word* UncertainWords::longer(QStringView text, qsizetype at, std::uint16_t flags) const
{
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16()) + at;
    if (at + 2 < text.size() && bit(triples_, tripleBit(units[0], units[1], units[2]))) {
        if (const std::uint32_t three = probe(packed(units, 3)))
            return &words_[three - 1];
    }
    if (bit(pairs_, pairBit(units[0], units[1]))) {
        if (const std::uint32_t two = probe(packed(units, 2)))
            return &words_[two - 1];
    }
    return single(flags);
}

std::uint64_t UncertainWords::startBits(const char16_t* units) const
{
    const std::uint8_t* singles = singleFlags_.data();
    const std::uint8_t* pairs = pairFlags_.data();
    std::uint64_t bits = 0;
#if defined(__SSE2__)
    // Independent byte loads put together in registers, their top bits taken at once.
    for (int j = 0; j < 64; j += 16) {
        std::uint64_t lo = 0;
        std::uint64_t hi = 0;
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) {
            const char16_t* u = units + j + k;
            lo |= std::uint64_t(singles[u[0]] | pairs[pairBit(u[0], u[1])]) << (8 * k);
            hi |= std::uint64_t(singles[u[8]] | pairs[pairBit(u[8], u[9])]) << (8 * k);
        }
        bits |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(_mm_set_epi64x(std::int64_t(hi), std::int64_t(lo))))) << j;
    }
#else
    for (int j = 0; j < 64; ++j)
        bits |= std::uint64_t((singles[units[j]] | pairs[pairBit(units[j], units[j + 1])]) >> 7) << j;
#endif
    return bits;
}

const UncertainWords& UncertainWords::builtIn()
{
    static const UncertainWords words = [] {
        QFile file(QStringLiteral(":/review/uncertain_words.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return UncertainWords();
        return parse(QString::fromUtf8(file.readAll()), kWordThreshold);
    }();
    return words;
}

namespace {

// Finds the words of `result`, each part's `from` at the same place in `before`.
class WordFinder {
public:
    WordFinder(const UncertainWords& words, const std::vector<Mark>& existing, std::vector<Mark>& found)
        : words_(words), existing_(existing.cbegin()), existingEnd_(existing.cend()), found_(found)
    {
    }

    // Both texts as one, where every line kept its length: false, having found nothing, where a
    // line end of one stands against something else in the other.
    bool whole(QStringView before, QStringView result)
    {
        const char16_t* a = reinterpret_cast<const char16_t*>(before.utf16());
        const char16_t* b = reinterpret_cast<const char16_t*>(result.utf16());
        const qsizetype n = result.size();
        const UncertainWords& words = words_;
        // A block at a time: gather where a word's first character stands and where a line end
        // stands against something else, then visit those places only.
        for (qsizetype block = 0; block < n; block += 64) {
            const int size = int(std::min<qsizetype>(64, n - block));
            std::uint64_t candidates = 0;
            std::uint64_t parted = 0;
            if (size == 64 && block + 64 < n) {
                candidates = words.startBits(b + block);
                parted = lineEndBits(a + block) ^ lineEndBits(b + block);
            } else {
                for (int k = 0; k < size; ++k) {
                    parted |= std::uint64_t(isLineEnd(a[block + k]) != isLineEnd(b[block + k])) << k;
                    candidates |= words.mayStart(b + block + k, n - block - k) << k;
                }
            }
            if (parted != 0) [[unlikely]] {
                found_.clear();
                return false;
            }
            for (; candidates != 0; candidates &= candidates - 1)
                look(result, block + std::countr_zero(candidates), 0);
        }
        return true;
    }

    // Line by line; a line whose length the command changed is skipped.
    void lines(QStringView before, QStringView result)
    {
        qsizetype b = 0;
        qsizetype r = 0;
        for (;;) {
            qsizetype re = r;
            while (re < result.size() && !isLineEnd(result[re].unicode()))
                ++re;
            qsizetype be = b;
            while (be < before.size() && !isLineEnd(before[be].unicode()))
                ++be;
            if (re - r == be - b) {
                const QStringView line = result.mid(r, re - r);
                const auto* units = reinterpret_cast<const char16_t*>(line.utf16());
                for (qsizetype i = 0; i < line.size(); ++i)
                    if (words_.mayStart(units + i, line.size() - i) != 0)
                        look(line, i, r, b - r);
            }
            if (re == result.size() || be == before.size())
                return;
            r = re + (result[re] == u'\r' && re + 1 < result.size() && result[re + 1] == u'\n' ? 2 : 1);
            b = be + (before[be] == u'\r' && be + 1 < before.size() && before[be + 1] == u'\n' ? 2 : 1);
        }
    }

private:
    // A word at `i` of `text`, which stands at `offset` in the result and `offset + shift` in
    // the text before. Marks never overlap each other, nor an uncertain mark already there.
    [[gnu::noinline]] void look(QStringView text, qsizetype i, qsizetype offset, qsizetype shift = 0)
    {
        const UncertainWords::Word* word = words_.at(text, i);
        if (word == nullptr)
            return;
        const qsizetype start = offset + i + word->first;
        const qsizetype length = word->end - word->first;
        if (start < taken_ || overlapsExisting(start, start + length))
            return;
        found_.push_back({MarkKind::Uncertain, true, char16_t(word - &words_.word(0)), std::uint32_t(start),
                          std::uint32_t(length), std::uint32_t(start + shift), std::uint32_t(length)});
        taken_ = start + length;
    }

    // Called with starts that never go back.
    bool overlapsExisting(qsizetype start, qsizetype end)
    {
        for (; existing_ != existingEnd_; ++existing_) {
            if (existing_->kind != MarkKind::Uncertain || existing_->start + existing_->length <= start)
                continue;
            return existing_->start < end;
        }
        return false;
    }

    const UncertainWords& words_;
    std::vector<Mark>::const_iterator existing_;
    std::vector<Mark>::const_iterator existingEnd_;
    std::vector<Mark>& found_;
    qsizetype taken_ = 0;
};

} // namespace

void addWordMarks(MarkList& list, QStringView result, const UncertainWords& words)
{
    if (words.empty())
        return;
    const QStringView before = list.before;
    std::vector<Mark> found;
    if (before.size() != result.size() || !WordFinder(words, list.marks, found).whole(before, result))
        WordFinder(words, list.marks, found).lines(before, result);
    list.words = &words;
    if (found.empty())
        return;
    // A changed run comes before the uncertain marks that start with it or inside it.
    const size_t middle = list.marks.size();
    list.marks.insert(list.marks.end(), found.begin(), found.end());
    std::inplace_merge(list.marks.begin(), list.marks.begin() + std::ptrdiff_t(middle), list.marks.end(),
                       [](const Mark& x, const Mark& y) { return x.start < y.start; });
}

} // namespace review
