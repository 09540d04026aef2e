// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Word kinds: short runs of converted text that subtitle editors often rewrite (可是 -> 但是,
// 眼下 -> 目前, 看上去 -> 看起來). No per-character list can point a reviewer there, since the
// conversion had no choice to make; the runs and their rates come from the fansub corpus.

#include "convert/review_marks.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <vector>

namespace review {

class UncertainWords {
public:
    struct Word {
        QString run;        // as the conversion writes it
        qsizetype first = 0;   // the part editors rewrote: run[first, end)
        qsizetype end = 0;
        UncertainKinds::Kind kind;   // readings of that part, the run's own first, and the rate
    };

    // The built-in list, words whose rate reaches the marking threshold only.
    static const UncertainWords& builtIn();
    // "run<TAB>first<TAB>end<TAB>reading reading …<TAB>rate[<TAB>counts]" per line, '#' starts a
    // comment line. Words below `threshold`, and lines that do not hold together, are left out.
    static UncertainWords parse(QStringView data, double threshold);

    // The longest word starting at `at` in `text`, or none. Most characters are looked at
    // once in a table; only a character that starts a longer word costs a hash probe.
    const Word* at(QStringView text, qsizetype at) const
    {
        const std::uint16_t flags = firsts_[text[at].unicode()];
        if (flags == 0)
            return nullptr;
        return (flags & kStartsLonger) && at + 1 < text.size() ? longer(text, at, flags) : single(flags);
    }
    bool empty() const { return words_.empty(); }
    std::size_t size() const { return words_.size(); }
    const Word& word(std::size_t i) const { return words_[i]; }

    // A bit for each of the 64 units at `units` where a word may start: a one-unit word, or a
    // pair that may begin a longer one. Reads units[64] too.
    std::uint64_t startBits(const char16_t* units) const;
    // 1 when a word may start at `units`, `left` (> 0) units from the text's end: a few bit
    // look-ups in tables that stay in the nearest cache, without a branch, so that a caller can
    // gather them for a block of characters and visit only the candidates, which are few: the
    // pair and triple filters pass only about one in twenty runs that are no word.
    std::uint64_t mayStart(const char16_t* units, qsizetype left) const
    {
        const char16_t first = units[0];
        const char16_t second = left > 1 ? units[1] : 0;
        const char16_t third = left > 2 ? units[2] : 0;
        return bit(starts_, first) &
               (bit(singles_, first) | bit(pairs_, pairBit(first, second)) | bit(triples_, tripleBit(first, second, third)));
    }

private:
    // firsts_: per BMP unit, its one-character word + 1 in the low bits, and whether a longer
    // word starts with it.
    static constexpr std::uint16_t kStartsLonger = 0x8000;
    const Word* single(std::uint16_t flags) const
    {
        const std::uint16_t index = flags & ~kStartsLonger;
        return index ? &words_[index - 1] : nullptr;
    }
    const Word* longer(QStringView text, qsizetype at, std::uint16_t flags) const;
    void index();
    static std::size_t pairBit(char16_t first, char16_t second) { return (first * 31u + second) & 0xFFFFu; }
    static std::size_t tripleBit(char16_t first, char16_t second, char16_t third)
    {
        return ((first * 961u + second * 31u + third) * 0x9E3779B1u) >> 16;
    }
    using Bits = std::array<std::uint64_t, 0x10000 / 64>;
    static std::uint64_t bit(const Bits& bits, std::size_t i) { return (bits[i >> 6] >> (i & 63)) & 1; }
    static void set(Bits& bits, std::size_t i) { bits[i >> 6] |= std::uint64_t(1) << (i & 63); }
    std::uint32_t probe(std::uint64_t key) const;   // the slot's value, 0 for none

    std::vector<Word> words_;
    std::vector<std::uint16_t> firsts_ = std::vector<std::uint16_t>(0x10000, 0);
    // Small enough to stay in the nearest cache: the units that start a word, those that are a
    // word alone, and filters of the two- and three-unit words. They overlap the byte tables
    // below on purpose: the triple filter spares most probes of a candidate that is no word.
    Bits starts_{};
    Bits singles_{};
    Bits pairs_{};
    Bits triples_{};
    // Singles and pairs again as bytes of 0x80, to be gathered a block at a time: the one-unit
    // words, and the pairs (by pairBit) that begin a longer word.
    std::vector<std::uint8_t> singleFlags_ = std::vector<std::uint8_t>(0x10000, 0);
    std::vector<std::uint8_t> pairFlags_ = std::vector<std::uint8_t>(0x10000, 0);
    // Two- and three-unit words: open addressing on the units packed into one key; a value is
    // the word + 1.
    std::vector<std::uint64_t> keys_;
    std::vector<std::uint32_t> values_;
};

// Adds an uncertain mark for each word of `words` found in `result`, where no uncertain mark
// lies already, keeping `list` sorted. A mark's `from` is the same stretch of `list.before`,
// found line by line; words on a line whose length the command changed are not marked.
void addWordMarks(MarkList& list, QStringView result, const UncertainWords& words);

} // namespace review
