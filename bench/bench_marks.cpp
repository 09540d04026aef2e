// SPDX-License-Identifier: GPL-3.0-or-later
// What review marks add to a command: the command alone, then working out its marks, on the
// same text in one run.
#include "bench/bench.h"

#include "app/mark_view.h"
#include "app/text_area.h"
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

// The editor's Ctrl+G as the user waits for it: the command and the text area taking its result,
// then the marks worked out and shown.
void editor(const QString& gbShown)
{
    const double mb = double(gbShown.size()) * 2 / 1e6;
    TextArea area;
    MarkView view(area);
    area.loadText(gbShown);
    const auto t0 = std::chrono::steady_clock::now();
    const document::CommandResult result = document::runCommand(document::Command::GbToBig5, gbShown, document::Encoding::Big5);
    area.assignText(result.text);
    const auto t1 = std::chrono::steady_clock::now();
    review::MarkList list = document::commandMarks(document::Command::GbToBig5, gbShown, result.text, document::Encoding::Big5);
    const auto tm = std::chrono::steady_clock::now();
    view.show(result.text, std::move(list));
    const auto t2 = std::chrono::steady_clock::now();
    bench::note("  (worked out %.3f s, shown %.3f s)", std::chrono::duration<double>(tm - t1).count(),
                std::chrono::duration<double>(t2 - tm).count());
    const double command = std::chrono::duration<double>(t1 - t0).count();
    const double marks = std::chrono::duration<double>(t2 - t1).count();
    bench::row("editor Ctrl+G: command and text area", mb, command);
    bench::row("editor Ctrl+G: marks worked out and shown", mb, marks);
    bench::note("  marks cost %.0f %% of the command in the editor; %d uncertain", 100.0 * marks / command,
                view.uncertainCount());
}

SUBBIG5_BENCH(marks)
{
    // The sample-like subtitle as a GB2312 file read on the Big5 road, about 100 MB.
    const QString gbShown = modBig2GB::BigToGB(bench::big5SubtitleText(100'000'000));
    compare("簡轉繁, 100 MB", document::Command::GbToBig5, gbShown, document::Encoding::Big5);
    editor(gbShown);
    const QString converted = modBig2GB::GBToBig(gbShown);
    compare("字幕矯正, 100 MB", document::Command::Correct, converted, document::Encoding::Big5);
    if (document::commandUnavailable(document::Command::Phrase).isEmpty()) {
        const QString part = gbShown.left(20'000'000);
        compare("簡轉繁（台灣詞彙）, 40 MB", document::Command::Phrase, part, document::Encoding::Big5);
    }
}
