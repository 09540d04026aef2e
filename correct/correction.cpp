// SPDX-License-Identifier: GPL-3.0-or-later
#include "correct/correction.h"

#include "correct/correction_list.h"

#include <array>
#include <bit>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A row can only match inside a stretch of characters that occur in some find string,
// and replacing a match only rewrites text inside that stretch. So the text splits into
// such stretches and the characters between them, which no row ever reads or changes,
// and each stretch can run through the list on its own. Within a stretch only the rows
// whose find string starts with a character present in it are tried.

namespace correction {
namespace {

// A set of row indices, small enough to copy around.
class RowSet {
public:
    static constexpr int kCapacity = 320;

    void add(int row) { words_[row >> 6] |= std::uint64_t{1} << (row & 63); }
    void addAll(const RowSet& other)
    {
        for (int w = 0; w < kWords; ++w)
            words_[w] |= other.words_[w];
    }
    // Adds only the rows of `other` after `row`: earlier rows come round again in the next run.
    void addAfter(const RowSet& other, int row)
    {
        const int first = row + 1;
        for (int w = first >> 6; w < kWords; ++w) {
            std::uint64_t bits = other.words_[w];
            if (w == first >> 6)
                bits &= ~std::uint64_t{0} << (first & 63);
            words_[w] |= bits;
        }
    }
    bool empty() const
    {
        for (std::uint64_t word : words_)
            if (word != 0)
                return false;
        return true;
    }
    // Removes and returns the lowest row, or -1 when the set is empty.
    int takeFirst()
    {
        for (int w = 0; w < kWords; ++w) {
            if (words_[w] != 0) {
                const int bit = std::countr_zero(words_[w]);
                words_[w] &= words_[w] - 1;
                return w * 64 + bit;
            }
        }
        return -1;
    }

private:
    static constexpr int kWords = kCapacity / 64;
    std::array<std::uint64_t, kWords> words_{};
};

class CorrectionIndex {
public:
    static const CorrectionIndex& instance()
    {
        static const CorrectionIndex index;
        return index;
    }

    const CorrectionRow& row(int r) const { return rows_[r]; }

    // True for characters that occur in some find string.
    bool reads(char16_t c) const { return (readBits_[c >> 6] >> (c & 63)) & 1; }

    // The rows whose find string starts with a character of `s`.
    RowSet rowsStartingIn(std::u16string_view s) const
    {
        RowSet set;
        for (char16_t c : s)
            if (const std::uint16_t slot = startSlot_[c])
                set.addAll(startSets_[slot - 1]);
        return set;
    }

private:
    CorrectionIndex()
        : rows_(correctionList())
        , startSlot_(0x10000, 0)
    {
        if (rows_.size() > RowSet::kCapacity)
            throw std::length_error("correction list longer than RowSet holds");
        for (int r = 0; r < int(rows_.size()); ++r) {
            for (char16_t c : rows_[r].find)
                readBits_[c >> 6] |= std::uint64_t{1} << (c & 63);
            std::uint16_t& slot = startSlot_[rows_[r].find.front()];
            if (slot == 0) {
                startSets_.emplace_back();
                slot = std::uint16_t(startSets_.size());
            }
            startSets_[slot - 1].add(r);
        }
    }

    std::span<const CorrectionRow> rows_;
    std::array<std::uint64_t, 0x10000 / 64> readBits_{};
    std::vector<std::uint16_t> startSlot_; // per character: 0, or 1 + index into startSets_
    std::vector<RowSet> startSets_;
};

// One row over one string: every non-overlapping occurrence, left to right, into `out`.
// Leaves `out` alone and returns false when the row does not occur.
bool replaceRowEverywhere(const std::u16string& s, const CorrectionRow& row, std::u16string& out)
{
    std::size_t at = s.find(row.find);
    if (at == std::u16string::npos)
        return false;
    out.clear();
    std::size_t from = 0;
    do {
        out.append(s, from, at - from);
        out.append(row.replacement);
        from = at + row.find.size();
        at = s.find(row.find, from);
    } while (at != std::u16string::npos);
    out.append(s, from);
    return true;
}

// Runs the list twice over one stretch. Returns false, leaving `s` in no particular state, when
// the stretch comes out unchanged; otherwise `s` holds the result.
bool correctStretch(const CorrectionIndex& index, std::u16string_view original,
                    std::u16string& s, std::u16string& scratch)
{
    RowSet pending = index.rowsStartingIn(original);
    if (pending.empty())
        return false;
    s.assign(original);
    bool changed = false;
    for (int run = 0; run < 2; ++run) {
        if (run == 1)
            pending = index.rowsStartingIn(s);
        bool changedInRun = false;
        for (int r = pending.takeFirst(); r >= 0; r = pending.takeFirst()) {
            const CorrectionRow& row = index.row(r);
            if (!replaceRowEverywhere(s, row, scratch))
                continue;
            s.swap(scratch);
            changedInRun = true;
            pending.addAfter(index.rowsStartingIn(row.replacement), r);
        }
        // A run that changes nothing leaves the same text for the next run to see.
        if (!changedInRun)
            break;
        changed = true;
    }
    return changed && s != original;
}

} // namespace

QString correctSubtitles(const QString& text)
{
    const CorrectionIndex& index = CorrectionIndex::instance();
    const auto* p = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();

    QString out;
    qsizetype copied = 0; // text[0, copied) is already in out
    std::u16string stretch;
    std::u16string scratch;
    for (qsizetype i = 0; i < n;) {
        if (!index.reads(p[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < n && index.reads(p[i]))
            ++i;
        const std::u16string_view original(p + start, std::size_t(i - start));
        if (!correctStretch(index, original, stretch, scratch))
            continue;
        if (out.isNull())
            out.reserve(n + n / 16);
        out.append(QStringView(p + copied, start - copied));
        out.append(QStringView(stretch));
        copied = i;
    }
    if (out.isNull())
        return text;
    out.append(QStringView(p + copied, n - copied));
    return out;
}

} // namespace correction
