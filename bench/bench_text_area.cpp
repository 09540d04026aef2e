// SPDX-License-Identifier: GPL-3.0-or-later
// The real Scintilla text area on the two loads that strained it: one very long line
// (open, Ctrl+End) and the undo memory of a whole-text command that changes little.
// "Before" runs the same text area with its former settings put back through Scintilla's
// own messages, so both sides are measured in one run.
#include "bench/bench.h"

#include "app/text_area.h"
#include "correct/correction.h"

#include <QApplication>
#include <QElapsedTimer>

#include <fstream>
#include <functional>
#include <string>

namespace {

using S = QsciScintillaBase;

double residentMB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return -1;
}

// One line of subtitle-like Chinese and ASCII, about `big5Bytes` long in code page 950.
QString longLine(qsizetype big5Bytes)
{
    static const char* const parts[] = {"我們今天晚上要去看電影，你要不要一起來？", "Hello, 你好嗎？我很好，謝謝。",
                                        "1080p 版本 字幕組 翻譯：小明 校對：阿華 "};
    QString out;
    qsizetype approx = 0;
    for (int i = 0; approx < big5Bytes; ++i) {
        const QString part = QString::fromUtf8(parts[i % 3]);
        out += part;
        for (const QChar c : part)
            approx += c.unicode() < 0x80 ? 1 : 2;
    }
    return out;
}

double secondsOf(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e9;
}

void paintNow(TextArea& area)
{
    area.viewport()->repaint();
    QCoreApplication::processEvents();
}

struct LongLineTimes {
    double open, end, home;
};

// Load, show and paint; then Ctrl+End and Ctrl+Home, each with its repaint.
LongLineTimes longLineTimes(const QString& text, bool before)
{
    TextArea area;
    area.resize(800, 600);
    LongLineTimes t{};
    t.open = secondsOf([&] {
        if (before)
            area.SendScintilla(S::SCI_SETLAYOUTCACHE, long(S::SC_CACHE_CARET));
        area.loadText(text);
        if (before)
            area.SendScintilla(S::SCI_SCROLLCARET);   // the former load scrolled to the caret
        area.show();
        paintNow(area);
    });
    t.end = secondsOf([&] {
        area.SendScintilla(S::SCI_DOCUMENTEND);
        paintNow(area);
    });
    t.home = secondsOf([&] {
        area.SendScintilla(S::SCI_DOCUMENTSTART);
        paintNow(area);
    });
    return t;
}

void reportLongLine(const char* what, const QString& text)
{
    bench::note("  %s (%.1f MB as UTF-8)", what, text.toUtf8().size() / 1e6);
    const LongLineTimes before = longLineTimes(text, true);
    const LongLineTimes after = longLineTimes(text, false);
    bench::note("    %-34s %9s %9s", "", "before", "after");
    bench::note("    %-34s %8.2fs %8.2fs", "open: load, show, first paint", before.open, after.open);
    bench::note("    %-34s %8.2fs %8.2fs", "Ctrl+End and repaint", before.end, after.end);
    bench::note("    %-34s %8.2fs %8.2fs", "Ctrl+Home and repaint", before.home, after.home);
}

} // namespace

SUBBIG5_BENCH(text_area_long_line)
{
    const QString line = longLine(16 << 20);
    reportLongLine("one 16 MB line", line);
    reportLongLine("16 MB line between two short ones, caret on the first",
                   QStringLiteral("第一行\r\n") + line + QStringLiteral("\r\n最後一行\r\n"));
}

SUBBIG5_BENCH(text_area_undo_memory)
{
    // A subtitle text that needs one correction, in the middle: Ctrl+W changes little.
    QString text = bench::big5SubtitleText(200 << 20);
    text.insert(text.indexOf(QStringLiteral("\r\n"), text.size() / 2) + 2, QStringLiteral("軟件\r\n"));
    const QString corrected = correction::correctSubtitles(text);
    qsizetype firstDiff = 0;
    while (firstDiff < text.size() && text[firstDiff] == corrected[firstDiff])
        ++firstDiff;
    bench::note("  %.0f MB text (UTF-8), Ctrl+W changes it from character %lld on", text.toUtf8().size() / 1e6,
                static_cast<long long>(firstDiff));

    // Memory kept after the command, and how much of it emptying the undo history frees.
    struct Kept {
        double total, undo, seconds;
    };
    auto measure = [&](TextArea& area, const std::function<void()>& command) {
        const double rss = residentMB();
        const double seconds = secondsOf(command);
        const double kept = residentMB() - rss;
        area.SendScintilla(S::SCI_EMPTYUNDOBUFFER);
        return Kept{kept, kept - (residentMB() - rss), seconds};
    };

    TextArea area;
    area.loadText(text);
    const QByteArray correctedUtf8 = corrected.toUtf8();
    // Before: the whole text replaced as one undoable step, as the text area used to.
    const Kept before = measure(area, [&] {
        area.SendScintilla(S::SCI_BEGINUNDOACTION);
        area.SendScintilla(S::SCI_RELEASELINECHARACTERINDEX, long(S::SC_LINECHARACTERINDEX_UTF16));
        area.SendScintilla(S::SCI_SETTARGETRANGE, 0UL, area.SendScintilla(S::SCI_GETLENGTH));
        area.SendScintilla(S::SCI_REPLACETARGET, static_cast<unsigned long>(correctedUtf8.size()),
                           correctedUtf8.constData());
        area.SendScintilla(S::SCI_ALLOCATELINECHARACTERINDEX, long(S::SC_LINECHARACTERINDEX_UTF16));
        area.SendScintilla(S::SCI_ENDUNDOACTION);
    });
    area.loadText(text);
    const Kept after = measure(area, [&] { area.assignText(corrected); });
    bench::note("    %-44s %9s %9s", "", "before", "after");
    bench::note("    %-44s %7.0fMB %7.1fMB", "memory kept after Ctrl+W", before.total, after.total);
    bench::note("    %-44s %7.0fMB %7.1fMB", "  of which the undo history", before.undo, after.undo);
    bench::note("    %-44s %8.2fs %8.2fs", "the assignment itself", before.seconds, after.seconds);
    bench::note("  (the rest is Scintilla's text buffer growing by a sixth on the first edit after a load)");

    area.loadText(text);
    area.assignText(corrected);
    area.undo();
    bench::note("  undo gives back the text exactly: %s", area.text() == text ? "yes" : "NO");
}
