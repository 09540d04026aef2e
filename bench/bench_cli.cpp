// SPDX-License-Identifier: GPL-3.0-or-later
// The batch converter as a whole process on a 100 MB GB2312 file, beside glibc's iconv
// command on the same file: time and peak memory of each process.
#include "bench/bench.h"

#include "convert/codepage.h"
#include "convert/conversion.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <QTemporaryDir>

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

struct ProcessRun {
    double seconds = 0;
    double cpu = 0;   // user + system seconds of the process
    double user = 0;  // user seconds alone
    double peakMB = 0;
    int status = -1;
};

// Runs argv with stdout sent to `out`, and measures its wall time and peak memory.
// GNU time reports the child's own peak memory; wait4 would count this (large) process's
// memory too, which the spawned child starts from.
ProcessRun runProcess(std::vector<std::string> args, const std::string& out)
{
    const std::string peakFile = out + ".peak";
    args.insert(args.begin(), {"/usr/bin/time", "-f", "%M", "-o", peakFile});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ProcessRun r;
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        return r;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    // wait4 counts GNU time's own child too, which is all of its work.
    r.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.user = double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6;
    QFile peak(QString::fromStdString(peakFile));
    // The last line: GNU time puts a note on a failed command's exit status before it.
    r.peakMB = peak.open(QIODevice::ReadOnly) ? peak.readAll().trimmed().split('\n').last().toDouble() / 1024.0 : -1;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return r;
}

ProcessRun best(int runs, const std::vector<std::string>& args, const std::string& out)
{
    ProcessRun b;
    b.seconds = 1e300;
    for (int i = 0; i < runs; ++i) {
        const ProcessRun r = runProcess(args, out);
        if (r.seconds < b.seconds)
            b = r;
    }
    return b;
}

// The median run (by CPU time) of `runs` alternating runs of two commands, so that both
// see the same load on a shared machine.
std::pair<ProcessRun, ProcessRun> sideBySide(int runs, const std::vector<std::string>& a,
                                             const std::vector<std::string>& b, const std::string& out)
{
    std::vector<ProcessRun> ra, rb;
    for (int i = 0; i < runs; ++i) {
        ra.push_back(runProcess(a, out));
        rb.push_back(runProcess(b, out));
    }
    auto median = [](std::vector<ProcessRun>& v) {
        std::sort(v.begin(), v.end(), [](const ProcessRun& x, const ProcessRun& y) { return x.cpu < y.cpu; });
        return v[v.size() / 2];
    };
    return {median(ra), median(rb)};
}

// The mean of `runs` alternating runs of two commands: for start-up, where one run's CPU time is
// a few clock ticks at most and a median of a few would only show the tick.
std::pair<ProcessRun, ProcessRun> meanSideBySide(int runs, const std::vector<std::string>& a,
                                                 const std::vector<std::string>& b, const std::string& out)
{
    ProcessRun sa, sb;
    sa.status = sb.status = 0;
    auto add = [](ProcessRun& sum, const ProcessRun& r) {
        sum.seconds += r.seconds;
        sum.cpu += r.cpu;
        sum.user += r.user;
        sum.peakMB = std::max(sum.peakMB, r.peakMB);
        sum.status = sum.status != 0 ? sum.status : r.status;
    };
    for (int i = 0; i < runs; ++i) {
        add(sa, runProcess(a, out));
        add(sb, runProcess(b, out));
    }
    for (ProcessRun* r : {&sa, &sb}) {
        r->seconds /= runs;
        r->cpu /= runs;
        r->user /= runs;
    }
    return {sa, sb};
}

void writeFile(const std::string& path, const QByteArray& bytes)
{
    QFile f(QString::fromStdString(path));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

// A file's size in MB, for rows whose inputs are whole copies of a unit (not quite the size asked).
double fileMB(const std::string& path)
{
    return double(QFileInfo(QString::fromStdString(path)).size()) / (1 << 20);
}

QByteArray repeatTo(const QByteArray& unit, qsizetype bytes)
{
    // Whole copies, so that no character is cut at the end.
    return unit.repeated(std::max<qsizetype>(1, bytes / unit.size()));
}

void printPair(const char* what, double mb, const ProcessRun& ours, const char* anchorName, const ProcessRun& anchor)
{
    bench::note("  %-42s %7.3f s CPU %6.3f (user %6.3f) %5.0f MB | %-21s %7.3f s CPU %6.3f (user %6.3f) %5.0f MB"
                " | wall %.2fx, CPU %.2fx, user %.2fx%s",
                what, ours.seconds, ours.cpu, ours.user, ours.peakMB, anchorName, anchor.seconds, anchor.cpu,
                anchor.user, anchor.peakMB, ours.seconds / anchor.seconds, ours.cpu / std::max(anchor.cpu, 1e-3),
                ours.user / std::max(anchor.user, 1e-3),
                ours.status == 0 && anchor.status == 0 ? "" : "  (a command failed)");
    (void)mb;
}

} // namespace

// The rows of the performance targets, each beside its anchor in the same run: the byte road
// against iconv -c, the phrase step against opencc -c s2tw, start-up on 1 KB, and peak memory.
SUBBIG5_BENCH(targets)
{
    QTemporaryDir dir;
    auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)).toStdString(); };
    const std::string tool = SUBBIG5_CONVERT_PATH;
    const std::string out = path("out");
    const std::string iconv = "/usr/bin/iconv";
    const std::string opencc = "/usr/bin/opencc";

    // Sample-like: subtitles with their numbers and times; dense: only the dialogue lines.
    const QString sample = bench::big5SubtitleText(4 << 20);
    QByteArray big5 = cp950::encode(sample);
    QByteArray gb = big5;
    modBig2GB::bigToGBBytes(gb);
    QByteArray denseUnit;
    for (const QByteArray& line : gb.split('\n'))
        if (std::count_if(line.begin(), line.end(), [](char c) { return (c & 0x80) != 0; }) > line.size() / 2)
            denseUnit += line + '\n';
    const qsizetype big = qsizetype(100) << 20;
    writeFile(path("sample.gb"), repeatTo(gb, big));
    writeFile(path("dense.gb"), repeatTo(denseUnit, big));
    writeFile(path("sample.big5"), repeatTo(big5, big));
    writeFile(path("small.gb"), gb.first(gb.lastIndexOf('\n', 1024) + 1));   // 1 KB, whole lines
    // Simplified UTF-8 for the phrase step and the UTF-8 road: the GB2312 text read as GB18030.
    QStringDecoder decode("GB18030");
    const QByteArray utf8 = QString(decode(gb)).toUtf8();
    writeFile(path("p10.utf8"), repeatTo(utf8, qsizetype(10) << 20));
    writeFile(path("small.utf8"), utf8.first(1024));
    // The same text, whole copies of it, as UTF-8 and as GB2312.
    const qsizetype copies = (qsizetype(30) << 20) / gb.size();
    writeFile(path("mid.utf8"), utf8.repeated(copies));
    writeFile(path("mid.gb"), gb.repeated(copies));
    bench::note("  each pair: median (by CPU) of %d alternating runs (start-up: the mean of many); peak = the process's"
                " maximum RSS", 5);

    {
        auto [g, ic] = sideBySide(5, {tool, "-g", "--from", "big5", path("sample.gb"), "-o", out},
                                  {iconv, "-c", "-f", "GB2312", "-t", "BIG5", path("sample.gb"), "-o", out}, out);
        printPair("-g 100 MB sample-like GB2312", 100, g, "iconv -c", ic);
    }
    {
        auto [g, ic] = sideBySide(5, {tool, "-g", "--from", "big5", path("dense.gb"), "-o", out},
                                  {iconv, "-c", "-f", "GB2312", "-t", "BIG5", path("dense.gb"), "-o", out}, out);
        printPair("-g 100 MB dense Chinese GB2312", 100, g, "iconv -c", ic);
    }
    {
        auto [g, ic] = meanSideBySide(60, {tool, "-g", "--from", "big5", path("small.gb"), "-o", out},
                                      {iconv, "-c", "-f", "GB2312", "-t", "BIG5", path("small.gb"), "-o", out}, out);
        printPair("-g 1 KB (start-up, mean of 60)", 0, g, "iconv -c", ic);
    }
    {
        auto [p, oc] = meanSideBySide(30, {tool, "-p", "--from", "utf-8", path("small.utf8"), "-o", out},
                                      {opencc, "-c", "s2tw", "-i", path("small.utf8"), "-o", out}, out);
        printPair("-p 1 KB UTF-8 (start-up, mean of 30)", 0, p, "opencc -c s2tw", oc);
    }
    {
        auto [p, oc] = sideBySide(3, {tool, "-p", "--from", "utf-8", path("p10.utf8"), "-o", out},
                                  {opencc, "-c", "s2tw", "-i", path("p10.utf8"), "-o", out}, out);
        const std::string what = "-p " + std::to_string(int(fileMB(path("p10.utf8")) + 0.5)) + " MB UTF-8";
        printPair(what.c_str(), 10, p, "opencc -c s2tw", oc);
    }
    {
        auto [u, g] = sideBySide(5, {tool, "--from", "utf-8", "-g", "-w", "--to", "big5", path("mid.utf8"), "-o", out},
                                 {tool, "--from", "big5", "-g", "-w", path("mid.gb"), "-o", out}, out);
        printPair("--from utf-8 -g -w --to big5, 30 MB of GB", 30, u, "-g -w on it as GB2312", g);
    }
    const ProcessRun w100 = best(1, {tool, "-w", "--from", "big5", path("sample.big5"), "-o", out}, out);
    const double w100MB = fileMB(path("sample.big5"));
    bench::note("  %-44s %8.3f s  CPU %6.3f s  %6.0f MB peak (%.1fx the file)", "-w 100 MB Big5", w100.seconds,
                w100.cpu, w100.peakMB, w100.peakMB / 100);

    // The large rows (about a minute and a half, and 500 MB of temporary files at a time): -p on
    // 100 MB beside opencc, -w and -p on 500 MB, each beside its 100 MB row for linearity. Left out when
    // SUBBIG5_BENCH_SKIP_LARGE is set.
    if (qEnvironmentVariableIsSet("SUBBIG5_BENCH_SKIP_LARGE")) {
        bench::note("  (SUBBIG5_BENCH_SKIP_LARGE: the 500 MB rows and -p 100 MB beside opencc left out)");
        return;
    }
    // CPU seconds a megabyte at the large size against the small one: 1.00 is linear.
    auto linear = [](const ProcessRun& large, double largeMB, const ProcessRun& small, double smallMB) {
        return (large.cpu / largeMB) / std::max(small.cpu / smallMB, 1e-9);
    };
    const qsizetype large = qsizetype(500) << 20;
    // One step over 500 MB of `unit`, its CPU a megabyte against the 100 MB row's.
    auto largeRow = [&](const char* step, const char* from, const char* label, const QByteArray& unit,
                        const ProcessRun& small, double smallMB) {
        const std::string file = path((std::string("large.") + from).c_str());
        writeFile(file, repeatTo(unit, large));
        const ProcessRun r = best(1, {tool, step, "--from", from, file, "-o", out}, out);
        const double mb = fileMB(file);
        QFile::remove(QString::fromStdString(file));
        bench::note("  %-44s %8.3f s  CPU %6.3f s  %6.0f MB peak | CPU a MB %.2fx the 100 MB row's%s",
                    (std::string(step) + " " + std::to_string(int(mb + 0.5)) + " MB " + label).c_str(), r.seconds, r.cpu,
                    r.peakMB, linear(r, mb, small, smallMB), r.status == 0 ? "" : "  (failed)");
    };
    largeRow("-w", "big5", "Big5", big5, w100, w100MB);
    ProcessRun p100;
    double p100MB = 100;
    {
        writeFile(path("p100.utf8"), repeatTo(utf8, qsizetype(100) << 20));
        auto [p, oc] = sideBySide(1, {tool, "-p", "--from", "utf-8", path("p100.utf8"), "-o", out},
                                  {opencc, "-c", "s2tw", "-i", path("p100.utf8"), "-o", out}, out);
        p100MB = fileMB(path("p100.utf8"));
        QFile::remove(QString::fromStdString(path("p100.utf8")));
        printPair("-p 100 MB UTF-8 (one run each)", 100, p, "opencc -c s2tw", oc);
        p100 = p;
        bench::note("  %-44s throughput %.1fx opencc -c s2tw's (CPU)", "", oc.cpu / std::max(p.cpu, 1e-3));
    }
    largeRow("-p", "utf-8", "UTF-8", utf8, p100, p100MB);
}

SUBBIG5_BENCH(batch_converter)
{
    QTemporaryDir dir;
    const std::string input = dir.filePath("gb.srt").toStdString();
    double mb = 0;
    {
        QByteArray bytes = cp950::encode(bench::big5SubtitleText(100 << 20));
        modBig2GB::bigToGBBytes(bytes);
        QFile f(QString::fromStdString(input));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        mb = bytes.size() / 1e6;
    }
    bench::note("  %.1f MB GB2312 subtitle file; each line is a whole process, best of 3", mb);
    const std::string out = dir.filePath("out").toStdString();
    const std::string tool = SUBBIG5_CONVERT_PATH;

    const ProcessRun g = best(3, {tool, "-g", input}, out);
    const ProcessRun iconv = best(3, {"/usr/bin/iconv", "-c", "-f", "GB2312", "-t", "BIG5", input}, out);
    const ProcessRun gw = best(3, {tool, "-g", "-w", input}, out);
    bench::row("subbig5-convert -g", mb, g.seconds);
    bench::row("iconv -c -f GB2312 -t BIG5", mb, iconv.seconds);
    bench::row("subbig5-convert -g -w", mb, gw.seconds);
    bench::note("  peak memory: -g %.0f MB (%.1fx the file), iconv %.0f MB, -g -w %.0f MB (%.1fx)", g.peakMB,
                g.peakMB / mb, iconv.peakMB, gw.peakMB, gw.peakMB / mb);
    bench::note("  -g vs iconv: %.2fx; exit statuses %d %d %d", iconv.seconds / g.seconds, g.status, iconv.status,
                gw.status);
}
