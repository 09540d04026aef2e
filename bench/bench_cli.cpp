// SPDX-License-Identifier: GPL-3.0-or-later
// The batch converter as a whole process on a 100 MB GB2312 file, beside glibc's iconv
// command on the same file: time and peak memory of each process.
#include "bench/bench.h"

#include "convert/codepage.h"
#include "convert/conversion.h"

#include <QFile>
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
    QFile peak(QString::fromStdString(peakFile));
    r.peakMB = peak.open(QIODevice::ReadOnly) ? peak.readAll().trimmed().toDouble() / 1024.0 : -1;
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

} // namespace

SUBBIG5_BENCH(batch_converter)
{
    QTemporaryDir dir;
    const std::string input = dir.filePath("gb.srt").toStdString();
    double mb = 0;
    {
        QByteArray bytes = cp950::encode(bench::big5SubtitleText(100 << 20));
        bigToGBBytes(bytes);
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
