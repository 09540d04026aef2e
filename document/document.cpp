// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/document.h"

#include "convert/char_conversion.h"
#include "convert/codepage.h"
#include "convert/conversion.h"

namespace document {

Document::Document(QByteArray fileBytes, Encoding encoding, Part part) : encoding_(encoding), part_(part)
{
    if (encoding == Encoding::Big5) {
        bytes_ = normaliseInPlace(std::move(fileBytes), part.last);
    } else if (encoding == Encoding::Utf8 || encoding == Encoding::Utf8Bom) {
        // Decoded when first needed: 簡轉繁 may decode and convert in one pass.
        bytes_ = std::move(fileBytes);
        utf8Bytes_ = true;
    } else {
        setText(decodeText(fileBytes, encoding, part.first));
    }
}

bool Document::gbToBigOnUtf8(modBig2GB::GbFindings& findings)
{
    // runCommand converts a text in one piece when it is plain and holds no tags; here its
    // format is known without the text, and the conversion refuses bytes that may hold tags.
    if (part_.format != subtitle::Format::Plain)
        return false;
    QByteArrayView body = bytes_;
    const QByteArrayView mark("\xEF\xBB\xBF", 3);   // as decodeText drops it
    if (part_.first && encoding_ == Encoding::Utf8Bom && body.startsWith(mark))
        body = body.sliced(mark.size());
    QString text;
    modBig2GB::GbFindings found;
    if (!modBig2GB::gbToBigFromUtf8(body, text, &found))
        return false;
    findings.merge(found);
    setText(std::move(text));
    return true;
}

bool Document::run(Command command, modBig2GB::GbFindings& findings, QString* error)
{
    if (utf8Bytes_ && command == Command::GbToBig5 && gbToBigOnUtf8(findings))
        return true;
    if (!asText_ && !utf8Bytes_ && (command == Command::GbToBig5 || command == Command::Big5ToGb)) {
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
    if (encoding_ == Encoding::Big5 && !asText_ && !utf8Bytes_ && (command == Command::GbToBig5 || command == Command::Phrase))
        return looksTraditionalBig5(bytes_);
    return document::alreadyInTheFormItMakes(command, text(), encoding_);
}

QByteArray Document::save(Encoding to, Unsavable* unsaved)
{
    if (!asText_ && !utf8Bytes_ && to == Encoding::Big5) {
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
    if (utf8Bytes_)
        setText(decodeText(bytes_, encoding_, part_.first));
    else if (!asText_)
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
    utf8Bytes_ = false;
}

} // namespace document
