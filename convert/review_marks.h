// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Review marks: what a conversion changed, and where it had to choose between readings, so
// that a reviewer can look at those places instead of reading every line.
//
// Marks are worked out afterwards from the text before and after a command, so the commands
// themselves stay as they are. Every command keeps the text's lines (none adds or removes a
// line end), so the two texts are compared line by line, and within a line character by
// character: directly where the line kept its length, through a shortest edit script where
// it did not.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace review {

enum class MarkKind { Changed, Uncertain };

struct Mark {
    MarkKind kind = MarkKind::Changed;
    qsizetype start = 0;      // UTF-16 position in the result
    qsizetype length = 0;     // UTF-16 code units
    QString from;             // what the span came from
    QStringList alternatives; // Uncertain: the readings, the chosen one first
    double rate = 0;          // Uncertain: how often Taiwanese editors wrote another reading
};

// The characters with more than one Traditional reading, each with how often Taiwanese editors
// wrote a reading other than the converter's, read from the data built into the program.
class UncertainKinds {
public:
    struct Kind {
        char32_t source = 0;
        QStringList readings;   // best first
        double rate = 0;
    };

    // The built-in list, kinds whose rate reaches the marking threshold only.
    static const UncertainKinds& builtIn();
    // Parses the list format: "source<TAB>reading reading …<TAB>rate[<TAB>counts]" per line,
    // '#' starts a comment line. Kinds below `threshold` are left out.
    static UncertainKinds parse(QStringView data, double threshold);

    const Kind* find(char32_t source) const;
    qsizetype size() const { return qsizetype(kinds_.size()); }
    const std::vector<Kind>& all() const { return kinds_; }

private:
    std::vector<Kind> kinds_;   // sorted by source
};

// The threshold the built-in list is cut at.
double markingThreshold();

// The texts one command saw and made. `before` is the text as it stood; `source` is what the
// command read it as, when that differs (the Big5 road's 簡轉繁 reads GB2312 bytes shown as
// Big5, so `source` is their GB18030 reading); `result` is the new text.
struct CommandTexts {
    QStringView before;
    QStringView source;   // empty: the same as `before`
    QStringView result;
};

struct MarkOptions {
    bool changed = true;
    bool uncertain = true;
};

// The marks of one command, sorted by start; an uncertain mark may lie inside a changed one.
// Runs of adjacent changed characters make one mark.
std::vector<Mark> markCommand(const CommandTexts& texts, const UncertainKinds& kinds,
                              MarkOptions options = {});

// The marks as JSON Lines, one object per mark: "line" counts from 1 in `result`, "column"
// and "length" count code points, "column" from 0 within the line (CR LF, a lone CR and a
// lone LF each end a line). With a non-empty `file`, each object also names it.
QByteArray toJsonLines(QStringView result, const std::vector<Mark>& marks, const QString& file = {});

} // namespace review
