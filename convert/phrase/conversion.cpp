// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/phrase/conversion.h"

#include "convert/phrase/converter.h"
#include "convert/phrase/preferences.h"

#include <memory>

// The compiled table, placed in the program by phrase_table_data.cpp (generated).
extern "C" const char subbig5_phrase_table[];
extern "C" const char subbig5_phrase_table_end[];

namespace phrase {
namespace {

struct Shared {
    std::unique_ptr<const Converter> converter;
    QString error;
};

const Shared& shared()
{
    // Checked once; a magic static is thread-safe and the result never changes afterwards.
    static const Shared s = [] {
        Shared r;
        // Used in place: the program's own read-only pages, shared by every run.
        const QByteArray table = QByteArray::fromRawData(
            subbig5_phrase_table, qsizetype(subbig5_phrase_table_end - subbig5_phrase_table));
        r.converter = Converter::fromTable(table, &r.error);
        return r;
    }();
    return s;
}

} // namespace

QString unavailableReason()
{
    return shared().error;
}

Result toTaiwan(QStringView simplified, std::vector<convert::LengthChange>* changes)
{
    const Shared& s = shared();
    if (!s.converter)
        return {false, {}, s.error};
    QString text = s.converter->convert(simplified, changes);
    applyPreferences(&text, preferences());   // same-length swaps: `changes` stay true
    return {true, std::move(text), {}};
}

} // namespace phrase
