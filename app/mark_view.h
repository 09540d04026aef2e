// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The review marks of the last whole-text command, shown in the text area: a quiet underline
// where the command changed the text, a box where it had to choose between readings. Scintilla
// keeps the indicators where their text moves as the user edits; a mark whose own text is
// edited goes away.

#include "convert/review_marks.h"

#include <QObject>

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

    int uncertainCount() const { return uncertainLeft_; }
    // The marks as last shown (edits since then are not reflected).
    const review::MarkList& shown() const { return list_; }

    // Selects the next (previous) uncertain mark after (before) the selection, wrapping around
    // the text. False when none is left.
    bool selectNext();
    bool selectPrevious();

    // The uncertain mark at byte position `pos` of the text area: its readings, the one in the
    // text first; empty when there is none.
    QStringList alternativesAt(long pos) const;
    // Puts `reading` in place of the uncertain mark at `pos`, as one undo step; the mark goes.
    bool choose(long pos, const QString& reading);
    // Opens the readings of the uncertain mark at the caret as a small menu below it.
    bool openAlternativesAtCaret();

signals:
    void uncertainCountChanged(int count);

private:
    void modified(int position, int type, int length);
    void dropRun(int indicator, long start, long end);
    int uncertainAt(long pos) const;
    bool selectMarkAt(long start);   // false for -1: none found
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool showAlternatives(long pos, const QPoint& globalPos);
    void setCount(int count);

    TextArea& area_;
    review::MarkList list_;
    std::vector<size_t> uncertain_;   // indicator value - 1 indexes this: the mark in list_
    int uncertainLeft_ = 0;
    bool shown_ = false;   // any mark filled since the last clear
    // Runs an edit is about to touch, found before a deletion and cleared after it.
    std::vector<std::pair<int, long>> pending_;
};
