// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the conversion and correction commands make of a document's text, by its encoding. The
// editor's menu commands and the batch converter's steps both come here, so they agree.
//
// A Big5 document takes the designed road: 簡轉繁 and 繁轉簡 on its code page 950 bytes and the
// correction list on the whole text. Any other document is converted on characters, and only
// where a subtitle is read (see convert/subtitle_text.h). The phrase step reads a Big5 document's
// bytes as GB18030 (the GB2312/GBK file it really is) and any other document as it is.

#include "convert/findings.h"
#include "convert/review_marks.h"
#include "convert/subtitle_text.h"
#include "document/encoding.h"

#include <QString>

namespace document {

enum class Command { GbToBig5, Big5ToGb, Correct, Phrase };

struct CommandResult {
    bool ok = true;
    QString text;                     // when ok: the new editor text
    modBig2GB::GbFindings findings;   // what 簡轉繁 met
    QString error;                    // when not ok: why, in words (the phrase step's data is missing)
};

// `format`, when given, is what the start of the file says the subtitle is (the text may be
// a later part of it); else the text's own start says.
CommandResult runCommand(Command command, QString text, Encoding encoding,
                         std::optional<subtitle::Format> format = std::nullopt);

// The review marks of `command`, which turned `before` into `after` in a document of `encoding`.
// On the Big5 road a changed mark covers the characters whose bytes changed, and 簡轉繁 and the
// phrase step read what those bytes came from as GB18030.
review::MarkList commandMarks(Command command, const QString& before, const QString& after, Encoding encoding);

// Empty when `command` can run here; otherwise why not.
QString commandUnavailable(Command command);

// The command as the menu names it, for messages: 簡轉繁, 繁轉簡, 字幕矯正, 簡轉繁（台灣詞彙）.
QString commandName(Command command);

// A Big5 document's bytes that read as a Big5 Traditional text rather than as a GB2312 or GBK
// file shown undecoded: many of their byte pairs could not be GB2312 (a Big5 trail byte below
// 0x80), or the frequent characters of Traditional text outnumber those of Simplified text
// when the bytes are read both ways. 簡轉繁 and the phrase step would garble such a text.
bool looksTraditionalBig5(QByteArrayView bytes);
// True when `command` turns Simplified into Traditional and this document already looks
// Traditional Big5 (judged on its first part: a text shows which it is within a few lines).
bool alreadyInTheFormItMakes(Command command, QStringView text, Encoding encoding);
// What the user is told then.
QString alreadyTraditionalMessage();

} // namespace document
