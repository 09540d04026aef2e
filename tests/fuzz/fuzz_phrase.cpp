// SPDX-License-Identifier: GPL-3.0-or-later
// The phrase step on any text, and its table loader on damaged copies of the table.
// Text: the step never fails once its table is sound, its length changes account for the
// output exactly, the preferences swap forms of the same length, and a text cut after a line
// end converts as the whole does (the converter streams parts cut there). Table: a copy with
// bytes overwritten, its checksum made right again or not, is refused or converts without
// reading outside the table.
#include "convert/phrase/conversion.h"
#include "convert/phrase/converter.h"
#include "convert/phrase/preferences.h"
#include "tests/fuzz/fuzz_support.h"

#include <QByteArray>
#include <QString>

extern "C" const char subbig5_phrase_table[];
extern "C" const char subbig5_phrase_table_end[];

namespace {

void checkText(fuzz::Reader& in, std::uint8_t flags)
{
    QString text;
    if (flags & 2) {   // raw UTF-16 units, lone surrogates included
        const std::size_t units = in.left() / 2;
        text = QString(reinterpret_cast<const QChar*>(in.rest()), qsizetype(units));
    } else {
        text = QString::fromUtf8(reinterpret_cast<const char*>(in.rest()), qsizetype(in.left()));
    }
    phrase::setPreferences(phrase::Preferences(flags >> 4));

    std::vector<convert::LengthChange> changes;
    const phrase::Result whole = phrase::toTaiwan(text, &changes);
    fuzz::check(whole.ok, "the phrase step refused the built-in table");
    qsizetype length = text.size();
    qsizetype after = 0;
    for (const convert::LengthChange& c : changes) {
        fuzz::check(c.inStart >= after && c.inLength >= 0 && c.outLength >= 0 && c.inStart + c.inLength <= text.size(),
                    "a length change lies outside the text or out of order");
        after = c.inStart + c.inLength;
        length += c.outLength - c.inLength;
    }
    fuzz::check(length == whole.text.size(), "the length changes do not add up to the output");

    const qsizetype cut = text.indexOf(u'\n');
    if (cut >= 0) {
        const phrase::Result head = phrase::toTaiwan(QStringView(text).first(cut + 1));
        const phrase::Result tail = phrase::toTaiwan(QStringView(text).sliced(cut + 1));
        fuzz::check(head.ok && tail.ok && head.text + tail.text == whole.text,
                    "a text cut after a line end converts differently from the whole");
    }
    phrase::setPreferences(0);
}

void checkDamagedTable(fuzz::Reader& in, std::uint8_t flags)
{
    QByteArray table(subbig5_phrase_table, qsizetype(subbig5_phrase_table_end - subbig5_phrase_table));
    // A few bytes overwritten, at offsets spread over the whole table; most often near its
    // start, where the header and the offsets are.
    for (int edits = 1 + in.byte() % 4; edits > 0 && in.left() >= 4; --edits) {
        const std::uint32_t where = std::uint32_t(in.byte()) | std::uint32_t(in.byte()) << 8
                                    | std::uint32_t(in.byte()) << 16;
        const qsizetype at = (flags & 2) ? qsizetype(where % 256) : qsizetype(where % std::uint32_t(table.size()));
        table[at < table.size() ? at : 0] = char(in.byte());
    }
    if (flags & 4)
        phrase::Converter::seal(&table);
    QString error;
    const std::unique_ptr<const phrase::Converter> converter = phrase::Converter::fromTable(table, &error);
    fuzz::check((converter == nullptr) != error.isEmpty(), "a refused table without a reason, or the reverse");
    if (converter) {
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(in.rest()), qsizetype(in.left()));
        (void)converter->convert(text + QStringLiteral("这个软件的内存不够，头发干燥"));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    fuzz::Reader in(data, size);
    const std::uint8_t flags = in.byte();
    if (flags & 1)
        checkDamagedTable(in, flags);
    else
        checkText(in, flags);
    return 0;
}
