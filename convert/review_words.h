// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Word kinds: short runs of converted text that subtitle editors often rewrite (可是 -> 但是,
// 眼下 -> 目前, 看上去 -> 看起來). No per-character list can point a reviewer there, since the
// conversion had no choice to make; the runs and their rates come from the fansub corpus.

#include "convert/review_marks.h"

#include <QString>
#include <QStringView>

#include <bitset>
#include <string_view>
#include <unordered_map>
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

    // The longest word starting at `at` in `text`, or none.
    const Word* at(QStringView text, qsizetype at) const;
    bool empty() const { return words_.empty(); }

    UncertainWords() = default;
    UncertainWords(UncertainWords&&) = default;
    UncertainWords& operator=(UncertainWords&&) = default;

private:
    void index();
    std::vector<Word> words_;
    std::unordered_map<std::u16string_view, size_t> byRun_;   // views into words_[i].run
    std::bitset<0x10000> firsts_;
    qsizetype longest_ = 0;
};

// Adds an uncertain mark for each word of `words` found in `result`, where no uncertain mark
// lies already, keeping `list` sorted. A mark's `from` is the same stretch of `list.before`,
// found line by line; words on a line whose length the command changed are not marked.
void addWordMarks(MarkList& list, QStringView result, const UncertainWords& words);

} // namespace review
