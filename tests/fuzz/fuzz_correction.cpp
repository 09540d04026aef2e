// SPDX-License-Identifier: GPL-3.0-or-later
// The stretch-wise correction pass against the row-by-row pass. Random characters would
// almost never form a row's text, so the input picks from the rows' own characters and,
// now and then, a whole row's find text or replacement.
#include "correct/correction.h"
#include "tests/correct/naive_correction.h"
#include "tests/fuzz/fuzz_support.h"

#include <set>
#include <vector>

namespace {

const std::vector<char16_t>& alphabet()
{
    static const std::vector<char16_t> chars = [] {
        std::set<char16_t> seen = {u'\r', u'\n', u' ', u'a', u'?', u'体', u'干'};
        for (const CorrectionRow& row : correctionList()) {
            seen.insert(row.find.begin(), row.find.end());
            seen.insert(row.replacement.begin(), row.replacement.end());
        }
        return std::vector<char16_t>(seen.begin(), seen.end());
    }();
    return chars;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto rows = correctionList();
    fuzz::Reader in(data, size);
    QString text;
    while (in.left() > 0) {
        const std::uint8_t b = in.byte();
        if (b < 0xC0) {
            text += QChar(alphabet()[b % alphabet().size()]);
            continue;
        }
        const CorrectionRow& row = rows[((unsigned(b & 0x1F) << 8) | in.byte()) % rows.size()];
        text += naive::view(b & 0x20 ? row.replacement : row.find);
    }
    fuzz::check(correction::correctSubtitles(text) == naive::correctSubtitles(text), "correction differs from the row-by-row pass");
    return 0;
}
