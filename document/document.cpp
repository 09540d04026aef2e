// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/document.h"

#include "convert/codepage.h"
#include "convert/conversion.h"

namespace document {

Document::Document(QByteArray fileBytes, Encoding encoding, Part part) : encoding_(encoding), part_(part)
{
    if (encoding == Encoding::Big5)
        bytes_ = normaliseInPlace(std::move(fileBytes), part.last);
    else
        setText(decodeText(fileBytes, encoding, part.first));
}

bool Document::run(Command command, modBig2GB::GbFindings& findings, QString* error)
{
    if (!asText_ && (command == Command::GbToBig5 || command == Command::Big5ToGb)) {
        // The byte road on the bytes themselves: the same as on their text, without decoding.
        if (command == Command::GbToBig5) {
            findings.merge(modBig2GB::surveyGbBytes(bytes_));
            modBig2GB::gbToBigBytes(bytes_);
        } else {
            modBig2GB::bigToGBBytes(bytes_);
        }
        return true;
    }
    CommandResult r = runCommand(command, takeText(), encoding_, part_.format);
    if (!r.ok) {
        *error = r.error;
        return false;
    }
    findings.merge(r.findings);
    setText(std::move(r.text));
    return true;
}

bool Document::run(Command command, modBig2GB::GbFindings& findings, QString* error, review::MarkList* marks)
{
    // Marks compare the texts before and after, so the bytes go through their text here.
    const QString before = text();
    CommandResult r = runCommand(command, before, encoding_, part_.format);
    if (!r.ok) {
        *error = r.error;
        return false;
    }
    findings.merge(r.findings);
    *marks = commandMarks(command, before, r.text, encoding_);
    setText(std::move(r.text));
    return true;
}

bool Document::alreadyInTheFormItMakes(Command command)
{
    if (encoding_ == Encoding::Big5 && !asText_ && (command == Command::GbToBig5 || command == Command::Phrase))
        return looksTraditionalBig5(bytes_);
    return document::alreadyInTheFormItMakes(command, text(), encoding_);
}

QByteArray Document::save(Encoding to, Unsavable* unsaved)
{
    if (!asText_ && to == Encoding::Big5) {
        if (part_.last)
            appendBig5SaveEnd(bytes_);
        return std::move(bytes_);
    }
    std::vector<cp950::Unencodable> misses;
    const QString& whole = text();
    QByteArray out = encodeText(whole, to, &misses, part_.first);
    if (to == Encoding::Big5 && part_.last)
        appendBig5SaveEnd(out);
    if (unsaved)
        *unsaved = describeUnsavable(whole, misses);
    return out;
}

const QString& Document::text()
{
    if (!asText_)
        setText(cp950::decode(bytes_));
    return text_;
}

QString Document::takeText()
{
    text();
    return std::move(text_);
}

void Document::setText(QString text)
{
    text_ = std::move(text);
    bytes_ = QByteArray();
    asText_ = true;
}

} // namespace document
