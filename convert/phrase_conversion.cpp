// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/phrase_conversion.h"

#include "convert/phrase_converter.h"
#include "convert/phrase_dictionary.h"
#include "convert/phrase_preferences.h"

#include <memory>

namespace phrase {
namespace {

struct Shared {
    std::unique_ptr<const Converter> converter;
    QString error;
};

const Shared& shared()
{
    // Built once; a magic static is thread-safe and the result never changes afterwards.
    static const Shared s = [] {
        Shared r;
        r.converter = Converter::load(openccDataDir(), builtInDictionaryText(), &r.error);
        return r;
    }();
    return s;
}

} // namespace

QString openccDataDir()
{
    return QStringLiteral(SUBBIG5_OPENCC_DATA_DIR);
}

QString unavailableReason()
{
    return shared().error;
}

Result toTaiwan(QStringView simplified, std::vector<LengthChange>* changes)
{
    const Shared& s = shared();
    if (!s.converter)
        return {false, {}, s.error};
    QString text = s.converter->convert(simplified, changes);
    applyPreferences(&text, preferences());   // same-length swaps: `changes` stay true
    return {true, std::move(text), {}};
}

} // namespace phrase
