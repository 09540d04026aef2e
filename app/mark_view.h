// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The review marks of the last whole-text command, shown in the text area: a quiet underline
// where the command changed the text, a box where it had to choose between readings. Scintilla
// keeps the indicators where their text moves as the user edits; a mark whose own text is
// edited goes away.
//
// Scintilla takes about a microsecond for each indicator, and a converted 100 MB subtitle has
// millions of marks: the marks from the text's start to the end of the screen go in at once,
// the rest in short slices while the editor waits for input. Until they are all in, edits are
// followed here (see Shift), and whatever needs a mark not yet in puts the rest in first.

#include "convert/review_marks.h"

#include <QObject>
#include <QTimer>

#include <cstdint>

#include <vector>

class TextArea;

class MarkView : public QObject {
    Q_OBJECT
public:
    explicit MarkView(TextArea& area);

    // Shows `marks` of the text the area holds now (`text`, the same as TextArea::text()),
    // replacing any shown before.
    void show(const QString& text, review::MarkList marks);
    void clear();
    // Whether some marks are still to go in, and putting them all in now.
    bool filling() const { return next_ < list_.marks.size(); }
    void finishFilling();

    int uncertainCount() const { return uncertainLeft_; }
    // The marks as last shown (edits since then are not reflected).
    const review::MarkList& shown() const { return list_; }

    // Selects the next (previous) uncertain mark after (before) the selection, wrapping around
    // the text. False when none is left.
    bool selectNext();
    bool selectPrevious();

    // The uncertain mark at byte position `pos` of the text area: its readings, the one in the
    // text first; empty when there is none.
    QStringList alternativesAt(long pos);
    // Puts `reading` in place of the uncertain mark at `pos`, as one undo step; the mark goes.
    bool choose(long pos, const QString& reading);
    // Opens the readings of the uncertain mark at the caret as a small menu below it.
    bool openAlternativesAtCaret();

signals:
    void uncertainCountChanged(int count);

private:
    // Where a stretch of the text as it was when the marks were worked out stands now: edits
    // made while marks are still to go in cut and move these. A mark that does not lie within
    // one stretch had its text edited.
    struct Shift {
        long was;      // byte position in the text then
        long now;      // and now
        long length;
    };

    void fillSome(long untilByte, size_t atLeast, bool timed);
    long nowAt(long was, long length) const;   // -1: the text there was edited
    long filledUpTo() const;                   // bytes before this (as the text is now) are filled
    void shiftInserted(long position, long length);
    void shiftDeleted(long position, long length);
    void modified(int position, int type, int length);
    void dropRun(int indicator, long start, long end);
    void dropUncertain(long value);   // its mark went: counted once
    int uncertainAt(long pos) const;
    bool selectMarkAt(long start);   // false for -1: none found
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool showAlternatives(long pos, const QPoint& globalPos);
    void setCount(int count);

    TextArea& area_;
    review::MarkList list_;
    std::vector<size_t> uncertain_;   // indicator value - 1 indexes this: the mark in list_
    std::vector<bool> gone_;          // and this: whether that mark went
    int uncertainLeft_ = 0;
    bool shown_ = false;   // any mark filled since the last clear
    // Runs an edit is about to touch, found before a deletion and cleared after it.
    std::vector<std::pair<int, long>> pending_;

    // Filling: the text the marks were worked out on, the first mark not yet in, the UTF-16 and
    // byte position of the last one looked at, and how the text has moved since.
    QString text_;
    size_t next_ = 0;
    qsizetype walkedTo_ = 0;
    long walkedByte_ = 0;
    std::vector<Shift> shifts_;
    bool edited_ = false;
    QTimer* filler_ = nullptr;
    // Scintilla's own entry, without the widget's call in between: a few million calls add up.
    intptr_t (*direct_)(intptr_t, unsigned int, uintptr_t, intptr_t) = nullptr;
    intptr_t directPointer_ = 0;
};
