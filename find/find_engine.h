// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The find engine: the shared find settings, the search primitive and the find-next
// algorithm, all plain code over a text and a selection (no widgets), so the main
// window's FindText is a thin layer that reads Text1, calls findText and applies the result.
//
// Positions are UTF-16 code units; CR and LF count one each. Two conventions meet here, as
// in the design the engine follows: searchText and searchTextBackward speak of positions
// counted from 1 (0 means "none"), FindResult of selection starts counted from 0, as the text
// area's selection does. findText does the one conversion between them.
//
// Case-insensitive comparison (mode 1) folds each code unit on its own with Unicode's
// simple case folding, which covers the letters of every script in the Basic Multilingual
// Plane (Latin, Greek, Cyrillic, Armenian, Georgian, Cherokee ...), independent of the
// locale. Full-width Latin letters (Ａ-Ｚ, ａ-ｚ) fold onto the ASCII letters, so "abc",
// "ABC" and "ＡＢＣ" all match one another; full-width digits and punctuation stay distinct
// from their ASCII forms, and characters outside the BMP (surrogate pairs) compare exactly.
// Folding never changes the number of code units, so a found occurrence always has the
// pattern's length.

#include <QString>
#include <QStringView>

namespace find {

struct FindSettings {
    // The stored values of FindUL (compare mode) and FindMode (direction).
    static constexpr qint16 kExact = 0, kIgnoreCase = 1;
    static constexpr qint16 kUp = 0, kDown = 1, kAll = 2;   // kAll continues from the top

    QString WFindText;        // the text to find; empty until the Find dialog's button is pressed
    qint16 FindUL = kExact;   // kExact or kIgnoreCase
    qint16 FindMode = kUp;    // kUp, kDown or kAll; the index of the direction option
};


// 1-based position of the first occurrence of `pattern` in `text` that begins at or after
// position `from` (1-based, values below 1 count as 1), or 0 when there is none. `mode` 0
// (kExact) compares exactly, any other value case-insensitively. An empty pattern gives 0.
qsizetype searchText(QStringView text, QStringView pattern, qsizetype from, qint16 mode);

// 1-based position of the last occurrence that begins at or before position `before`
// (1-based), or 0. The same occurrences searchText enumerates, overlapping ones included.
qsizetype searchTextBackward(QStringView text, QStringView pattern, qsizetype before, qint16 mode);

struct FindResult {
    // Nothing: empty find text or a direction out of range; nothing is selected or shown.
    enum class Kind { Nothing, Select, NotFound };
    Kind kind = Kind::Nothing;
    qsizetype start = 0, length = 0; // for Select: the 0-based selection to set
};

// One find-next step from the selection (selStart, selLength):
//  kDown: the first occurrence at or after the selection's end; no wrap.
//  kAll:  as kDown, else the first occurrence from the top, unless that one begins at the
//         selection start (then the text holds nothing new to find).
//  kUp:   the nearest occurrence beginning before the selection start, overlapping
//         occurrences included; no wrap.
FindResult findText(QStringView text, qsizetype selStart, qsizetype selLength, const FindSettings& s);

// The text of the not-found message box: 找不到『F』.
QString notFoundMessage(const QString& findText);

} // namespace find
