// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Review marks: what a conversion changed, and where it had to choose between readings, so
// that a reviewer can look at those places instead of reading every line.
//
// Marks are worked out afterwards from the text before and after a command, so the commands
// themselves stay as they are. Every command keeps the text's lines (none adds or removes a
// line end), so the two texts are walked side by side, character for character, as long as
// their lines keep their lengths; a line that did not goes through a shortest edit script, and
// the walk goes on after it.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <vector>

namespace review {

class UncertainWords;

// The characters with more than one Traditional reading, each with how often Taiwanese editors
// wrote a reading other than the converter's, read from the data built into the program.
class UncertainKinds {
public:
    struct Kind {
        char32_t source = 0;    // the Simplified character
        char32_t key = 0;       // how it stands in the text before the command (see keyedBy)
        QStringList readings;   // most often written first
        double rate = 0;
        // Whether `reading` (one UTF-16 unit) is one of the readings, without touching strings.
        bool hasReading(char16_t reading) const;
        char16_t units[6] = {};   // the one-unit readings, for hasReading
    };

    // The built-in list, kinds whose rate reaches the marking threshold only.
    static const UncertainKinds& builtIn();
    // Parses the list format: "source<TAB>reading reading …<TAB>rate[<TAB>counts]" per line,
    // '#' starts a comment line. Kinds below `threshold` are left out.
    static UncertainKinds parse(QStringView data, double threshold);

    // The same kinds looked up by another key: the Big5 road shows a GB2312 character as the
    // Big5 character of the same bytes, so its kinds are found by that character.
    UncertainKinds keyedBy(const std::function<char32_t(char32_t)>& key) const;

    const Kind* find(char32_t key) const
    {
        return key < index_.size() && index_[key] != 0 ? &kinds_[index_[key] - 1] : nullptr;
    }
    qsizetype size() const { return qsizetype(kinds_.size()); }
    const std::vector<Kind>& all() const { return kinds_; }

private:
    void index();
    std::vector<Kind> kinds_;            // sorted by key
    std::vector<std::uint16_t> index_;   // a BMP key -> its kind + 1, 0 for none
};

// The threshold the built-in list is cut at.
double markingThreshold();

enum class MarkKind : std::uint8_t { Changed, Uncertain };

// Positions count UTF-16 units in 32 bits: a command's marks are millions, and a text of more
// than 4 G units (8 GB) gets none (see markCommand).
struct Mark {
    MarkKind kind = MarkKind::Changed;
    // Uncertain: whether it is a word editors often rewrite (see review_words.h); `chosen` then
    // numbers the word in MarkList::words.
    bool word = false;
    char16_t chosen = 0;          // Uncertain: the reading the result holds
    std::uint32_t start = 0;      // UTF-16 position in the result
    std::uint32_t length = 0;     // UTF-16 code units
    std::uint32_t fromStart = 0;  // what it came from, in MarkList::before
    std::uint32_t fromLength = 0;
};

// The marks of one command, sorted by start; an uncertain mark may lie inside a changed one.
// What a mark came from is read out of the text before the command only when asked for, and
// an uncertain mark's kind is looked up again by the character it came from.
struct MarkList {
    std::vector<Mark> marks;
    QString before;
    // The kinds the uncertain marks were found with; they outlive the list (the built-in ones do).
    const UncertainKinds* kinds = nullptr;
    // The words the word marks were found with, kept as long.
    const UncertainWords* words = nullptr;
    // How a piece of `before` reads to the user (the Big5 road reads GB2312 bytes shown as
    // Big5 as GB2312); none: as it stands.
    QString (*readBefore)(QStringView) = nullptr;

    QString from(const Mark& mark) const;
    // Uncertain: its kind; otherwise none.
    const UncertainKinds::Kind* reading(const Mark& mark) const;
    // Uncertain: the readings, the one in the result first.
    QStringList alternatives(const Mark& mark) const;
    double rate(const Mark& mark) const
    {
        const UncertainKinds::Kind* kind = reading(mark);
        return kind ? kind->rate : 0;
    }
    qsizetype uncertainCount() const;
};

struct MarkOptions {
    bool changed = true;
    bool uncertain = true;
};

// The marks of a command that turned `before` into `result`, uncertain ones looked up by the
// characters of `before` in `kinds`. Runs of adjacent changed characters make one mark.
// Either text longer than 4 G units: no marks.
MarkList markCommand(const QString& before, QStringView result, const UncertainKinds& kinds,
                     MarkOptions options = {});

// The marks as JSON Lines, one object per mark: "line" counts from 1 in `result`, "column"
// and "length" count code points, "column" from 0 within the line (CR LF, a lone CR and a
// lone LF each end a line). With a non-empty `file`, each object also names it. `firstLine` is
// the line `result` starts on, when it is a part of a longer text.
QByteArray toJsonLines(QStringView result, const MarkList& marks, const QString& file = {}, qsizetype firstLine = 1);

} // namespace review
