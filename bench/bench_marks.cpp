// SPDX-License-Identifier: GPL-3.0-or-later
// What review marks add to a command: the command alone, then working out its marks, on the
// same text in one run.
#include "bench/bench.h"

#include "convert/conversion.h"
#include "convert/review_marks.h"
#include "document/commands.h"

namespace {

void compare(const char* name, document::Command command, const QString& text, document::Encoding encoding)
{
    const double mb = double(text.size()) * 2 / 1e6;
    document::CommandResult result;
    const double convert = bench::bestSeconds(3, [&] { result = document::runCommand(command, text, encoding); });
    review::MarkList marks;
    const double mark = bench::bestSeconds(3, [&] { marks = document::commandMarks(command, text, result.text, encoding); });
    const qsizetype uncertain = marks.uncertainCount();
    bench::row((QByteArray(name) + " alone").constData(), mb, convert);
    bench::row((QByteArray(name) + " marks").constData(), mb, mark);
    bench::note("  marks cost %.0f %% of the command; %zu marks, %lld uncertain", 100.0 * mark / convert,
                marks.marks.size(), static_cast<long long>(uncertain));
}

} // namespace

SUBBIG5_BENCH(marks)
{
    // The sample-like subtitle as a GB2312 file read on the Big5 road, about 100 MB.
    const QString gbShown = BigToGB(bench::big5SubtitleText(100'000'000));
    compare("簡轉繁, 100 MB", document::Command::GbToBig5, gbShown, document::Encoding::Big5);
    const QString converted = GBToBig(gbShown);
    compare("字幕矯正, 100 MB", document::Command::Correct, converted, document::Encoding::Big5);
    if (document::commandUnavailable(document::Command::Phrase).isEmpty()) {
        const QString part = gbShown.left(20'000'000);
        compare("簡轉繁（台灣詞彙）, 40 MB", document::Command::Phrase, part, document::Encoding::Big5);
    }
}
