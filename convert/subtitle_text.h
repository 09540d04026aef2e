// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Subtitle-aware conversion: only what the viewer reads is converted, and the markup inside it
// neither changes nor splits words.
//
//  - A text whose first non-empty line is "[Script Info]" is ASS/SSA. Only the text field of
//    "Dialogue:" lines (everything after the ninth comma) is read; style lines, section headers,
//    "Format:" lines, script values, "Comment:" lines, [Fonts] and [Graphics] are left as they
//    are. Inside the text field, {...} override blocks are markup.
//  - Everything else is plain subtitle text (SRT and the like): every line is read but the cue
//    numbers and timecode lines; HTML-like tags (<i>, <font face="...">, </font>) are markup, and
//    so are ASS override blocks ({\an8}, {\fn...}), which SRT made from ASS carries.
//
// Markup is lifted out, the rest of the line is converted as one piece, and the markup goes back
// at the same character positions; where the conversion changed the length of a stretch (內存 ->
// 記憶體), markup inside that stretch goes back at its end.

#include "convert/length_change.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>
#include <vector>

namespace subtitle {

enum class Format { Plain, Ass };
Format detectFormat(QStringView text);
// The same, or nothing while `text` (the start of a longer one) holds no line with something on it.
std::optional<Format> formatOfStart(QStringView text);

// What a conversion gives: the text, and where it changed length if it can say (else the
// length change of a line is placed by comparing the line's start and end).
struct Converted {
    QString text;
    std::optional<std::vector<convert::LengthChange>> changes;
};
// Converts text that holds no line ends and no markup; may be called once for many lines
// joined by LF, so it must keep each LF where it is.
using Conversion = std::function<Converted(QStringView)>;

// `format`, when given, is what the start of the file `text` was taken from says.
QString convertReadable(QStringView text, const Conversion& convert, std::optional<Format> format = std::nullopt);

// True when every line but cue numbers and timecodes is read and there is no markup: a plain
// subtitle without tags. A conversion that leaves ASCII alone may then run on the whole text.
bool readsWhole(QStringView text, std::optional<Format> format = std::nullopt);

} // namespace subtitle
