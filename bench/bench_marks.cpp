// SPDX-License-Identifier: GPL-3.0-or-later
// What review marks add to a command: the command alone, then working out its marks, on the
// same text in one run.
#include "bench/bench.h"

#include "app/form1.h"
#include "app/mark_view.h"
#include "app/prompter.h"
#include "app/text_area.h"
#include "convert/codepage.h"
#include "convert/conversion.h"
#include "convert/review_marks.h"
#include "document/commands.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

namespace {

void compare(const char* name, document::Command command, const QString& text, document::Encoding encoding)
{
    const double mb = double(text.size()) * 2 / 1e6;
    // Taken in turns, so that a busy moment of the machine weighs on both alike.
    document::CommandResult result;
    review::MarkList marks;
    double convert = 1e300;
    double mark = 1e300;
    for (int round = 0; round < 4; ++round) {
        convert = std::min(convert, bench::bestSeconds(1, [&] { result = document::runCommand(command, text, encoding); }));
        mark = std::min(mark, bench::bestSeconds(1, [&] { marks = document::commandMarks(command, text, result.text, encoding); }));
    }
    const qsizetype uncertain = marks.uncertainCount();
    bench::row((QByteArray(name) + " alone").constData(), mb, convert);
    bench::row((QByteArray(name) + " marks").constData(), mb, mark);
    bench::note("  marks cost %.0f %% of the command; %zu marks, %lld uncertain", 100.0 * mark / convert,
                marks.marks.size(), static_cast<long long>(uncertain));
}

} // namespace

// The editor's Ctrl+G as the user waits for it: the command and the text area taking its result,
// then the marks worked out and the first screen of them shown. The rest go in while the editor
// waits for input, in slices: that is timed apart, with the longest slice.
void editor(const QString& gbShown)
{
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); };
    const double mb = double(gbShown.size()) * 2 / 1e6;
    TextArea area;
    MarkView view(area);
    area.resize(1000, 700);
    area.show();
    area.loadText(gbShown);
    QCoreApplication::processEvents();
    const auto t0 = Clock::now();
    const document::CommandResult result = document::runCommand(document::Command::GbToBig5, gbShown, document::Encoding::Big5);
    area.assignText(result.text);
    const auto t1 = Clock::now();
    review::MarkList list = document::commandMarks(document::Command::GbToBig5, gbShown, result.text, document::Encoding::Big5);
    const auto tm = Clock::now();
    view.show(result.text, std::move(list));
    const auto t2 = Clock::now();
    double longest = 0;
    int slices = 0;
    while (view.filling()) {
        const auto s = Clock::now();
        QCoreApplication::processEvents();
        longest = std::max(longest, seconds(s, Clock::now()));
        ++slices;
    }
    const auto t3 = Clock::now();
    const double command = seconds(t0, t1);
    const double responds = seconds(t1, t2);
    const double background = seconds(t2, t3);
    bench::row("editor Ctrl+G: command and text area", mb, command);
    bench::row("editor Ctrl+G: marks until the editor responds", mb, responds);
    bench::note("  (worked out %.3f s, first screen shown %.3f s)", seconds(t1, tm), seconds(tm, t2));
    bench::note("  marks cost %.0f %% of the command in the editor before it responds; %d uncertain", 100.0 * responds / command,
                view.uncertainCount());
    bench::row("editor Ctrl+G: the other marks, filled in the background", mb, background);
    bench::note("  (%d slices, the longest %.0f ms; everything together %.0f %% of the command)", slices, longest * 1000,
                100.0 * (responds + background) / command);
}

namespace {

// Answers every question as a user going on would, without a window.
class GoOn : public Prompter {
public:
    bool askYesNo(QWidget*, const QString&, const QString&) override { return true; }
    SaveChoice askSave(QWidget*, const QString&, const QString&) override { return SaveChoice::Discard; }
    void tell(QWidget*, const QString&, const QString&, Icon) override {}
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&) override { return {}; }
};

} // namespace

// The whole editor: 簡轉繁 on a GB2312 file opened on the Big5 road, show changes off and on, in
// turns, best of two each. Off, no marks are worked out at all; on, the click returns once the
// first screen of marks is in, and the rest go in while the editor waits for input.
void wholeEditor(const QString& gbShown)
{
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); };
    QTemporaryDir dir;
    const QString path = dir.filePath("gb.srt");
    {
        QByteArray bytes = cp950::encode(gbShown);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return;
    }
    const double mb = double(gbShown.size()) * 2 / 1e6;
    double click[2] = {1e300, 1e300};
    double background = 1e300;
    int uncertain = 0;
    for (int round = 0; round < 4; ++round) {
        const bool on = round % 2 == 1;
        GoOn prompter;
        Form1 form;
        form.setPrompter(&prompter);
        form.resize(1000, 700);
        form.show();
        form.showMarks_Click(on);
        if (!form.Sum(path))
            return;
        QCoreApplication::processEvents();
        const auto t0 = Clock::now();
        form.G_Click();
        const auto t1 = Clock::now();
        while (form.marks().filling())
            QCoreApplication::processEvents();
        if (on)
            background = std::min(background, seconds(t1, Clock::now()));
        click[on] = std::min(click[on], seconds(t0, t1));
        uncertain = form.marks().uncertainCount();
    }
    bench::row("editor 簡轉繁 click, show changes off", mb, click[0]);
    bench::row("editor 簡轉繁 click, show changes on", mb, click[1]);
    bench::note("  marks cost %.0f %% of the click; then %.3f s filling in the background; %d uncertain",
                100.0 * (click[1] - click[0]) / click[0], background, uncertain);
}

SUBBIG5_BENCH(marks)
{
    // The sample-like subtitle as a GB2312 file read on the Big5 road, about 100 MB.
    const QString gbShown = modBig2GB::BigToGB(bench::big5SubtitleText(100'000'000));
    compare("簡轉繁, 100 MB", document::Command::GbToBig5, gbShown, document::Encoding::Big5);
    editor(gbShown);
    wholeEditor(gbShown);
    const QString converted = modBig2GB::GBToBig(gbShown);
    compare("字幕矯正, 100 MB", document::Command::Correct, converted, document::Encoding::Big5);
    if (document::commandUnavailable(document::Command::Phrase).isEmpty()) {
        const QString part = gbShown.left(20'000'000);
        compare("簡轉繁（台灣詞彙）, 40 MB", document::Command::Phrase, part, document::Encoding::Big5);
    }
}
