// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A document between its load and its save, for the converter, which holds no text area: a
// Big5 document as its bytes while only the byte commands run (the code page codec is
// lossless, so that is the same as its text, without decoding), a UTF-8 one as its bytes
// until its text is needed, every other one as its text.
// Loading, the commands and saving are the editor's own functions.

#include "convert/findings.h"
#include "document/commands.h"
#include "document/encoding.h"
#include "document/text_file.h"

#include <QByteArray>
#include <QString>

namespace document {

// Where a document's bytes stand in their file, when the converter takes a long file a few
// lines at a time (each part cut after a line end): only the first part has a byte-order mark,
// only the last gets a Big5 save's last line end, and every part reads subtitle markup as the
// file's start says.
struct Part {
    bool first = true;
    bool last = true;
    std::optional<subtitle::Format> format;   // none: as this part's own start says
};

class Document {
public:
    // A whole file's bytes (or a part of them), read in `encoding`, as a load gives them.
    Document(QByteArray fileBytes, Encoding encoding, Part part = {});

    Encoding encoding() const { return encoding_; }

    // Runs one command as the menu does; what 簡轉繁 met is added to `findings`. False with
    // `error` set when the command cannot run.
    bool run(Command command, modBig2GB::GbFindings& findings, QString* error);
    // The same, and the command's review marks in `marks` (positions in text()).
    bool run(Command command, modBig2GB::GbFindings& findings, QString* error, review::MarkList* marks);

    // The document's text as the editor would hold it.
    const QString& text();

    // See alreadyInTheFormItMakes.
    bool alreadyInTheFormItMakes(Command command);

    // What a save in `to` writes; the characters `to` cannot hold (written as '?') are
    // described in `unsaved`. The document is used up.
    QByteArray save(Encoding to, Unsavable* unsaved);

private:
    bool gbToBigOnUtf8(modBig2GB::GbFindings& findings);
    QString takeText();   // handed over rather than shared, so a command may work on its buffer
    void setText(QString text);

    Encoding encoding_;
    Part part_;
    QByteArray bytes_;
    QString text_;
    bool asText_ = false;
    bool utf8Bytes_ = false;   // bytes_ holds the UTF-8 bytes, not yet decoded
};

} // namespace document
