// SPDX-License-Identifier: GPL-3.0-or-later
// A subtitle archive: 10,000 small GB2312 subtitle files in a folder tree, each converted in
// place by `find -print0 | xargs -0 -n 100 -P N subbig5-convert STEPS -i`, as the README shows,
// with one process at a time and with two. Reports the speed-up and checks that both runs
// leave the same bytes.
#include "bench/bench.h"

#include "convert/codepage.h"
#include "convert/conversion.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <map>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;

// One SRT cue a line of the sample text, with timecodes, as a GB2312 file of about 1-3 KB.
QByteArray subtitleFile(int index)
{
    static const QStringList lines = bench::big5SubtitleText(64 << 10).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QString text;
    const int cues = 20 + index % 40;
    for (int cue = 1; cue <= cues; ++cue) {
        const int second = cue * 3;
        const QString line = lines[(index * 7 + cue * 2 + 1) % lines.size()];
        text += QStringLiteral("%1\r\n00:%2:%3,000 --> 00:%2:%4,500\r\n%5\r\n\r\n")
                    .arg(cue)
                    .arg(second / 60, 2, 10, QChar(u'0'))
                    .arg(second % 60, 2, 10, QChar(u'0'))
                    .arg((second + 2) % 60, 2, 10, QChar(u'0'))
                    .arg(line);
    }
    QByteArray bytes = cp950::encode(text);
    modBig2GB::bigToGBBytes(bytes);
    return bytes;
}

// Writes the archive afresh under `root`: season folders of episode files. Returns its bytes.
qint64 writeArchive(const QString& root)
{
    QDir(root).removeRecursively();
    qint64 total = 0;
    int index = 0;
    for (int folder = 0; folder < kFolders; ++folder) {
        const QString dir = QStringLiteral("%1/series %2/season %3").arg(root).arg(folder / 10).arg(folder % 10);
        QDir().mkpath(dir);
        for (int file = 0; file < kFilesPerFolder; ++file, ++index) {
            QFile f(QStringLiteral("%1/episode %2.srt").arg(dir).arg(file, 3, 10, QChar(u'0')));
            const QByteArray bytes = subtitleFile(index);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                return -1;
            total += bytes.size();
        }
    }
    return total;
}

// Every file under `root`, by its path below it.
std::map<QString, QByteArray> readArchive(const QString& root)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        files[QDir(root).relativeFilePath(path)] = f.readAll();
    }
    return files;
}

struct ShellRun {
    double seconds = -1;   // wall time; negative when the command failed
    double cpu = 0;        // user + system time of the shell and every process it waited for
    double system = 0;
};

// Runs a shell command line and measures it.
ShellRun runShell(const std::string& command)
{
    std::string sh = "/bin/sh", c = "-c", cmd = command;
    char* argv[] = {sh.data(), c.data(), cmd.data(), nullptr};
    ShellRun r;
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
        return r;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    auto time = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    r.system = time(usage.ru_stime);
    r.cpu = time(usage.ru_utime) + r.system;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        r.seconds = seconds;
    return r;
}

// A path as one shell word.
std::string quoted(const QString& path)
{
    std::string word(1, '\'');
    word += QString(path).replace(u'\'', QStringLiteral("'\\''")).toStdString();
    word += '\'';
    return word;
}

} // namespace

SUBBIG5_BENCH(archive)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("archive"));
    const qint64 bytes = writeArchive(root);
    if (bytes < 0) {
        bench::note("  could not write the archive");
        return;
    }
    const double mb = bytes / 1e6;
    bench::note("  %d GB2312 subtitle files (%.1f MB) in %d folders; find -print0 | xargs -0 -n 100 -P N, "
                "converted in place; best of 2",
                kFolders * kFilesPerFolder, mb, kFolders);

    for (const char* steps : {"-g -w", "-p"}) {
        double seconds[3] = {};
        std::map<QString, QByteArray> results[3];
        for (int processes : {1, 2}) {
            ShellRun best;
            best.seconds = 1e300;
            for (int run = 0; run < 2; ++run) {
                writeArchive(root);
                const ShellRun r = runShell("find " + quoted(root) + " -type f -print0 | xargs -0 -n 100 -P "
                                            + std::to_string(processes) + " " + quoted(SUBBIG5_CONVERT_PATH) + " "
                                            + steps + " -i");
                if (r.seconds < 0) {
                    bench::note("  subbig5-convert %s failed", steps);
                    return;
                }
                if (r.seconds < best.seconds)
                    best = r;
            }
            seconds[processes] = best.seconds;
            results[processes] = readArchive(root);
            const std::string what = std::string("subbig5-convert ") + steps + " -i, xargs -P " + std::to_string(processes);
            bench::row(what.c_str(), mb, best.seconds);
            bench::note("    processor time %.2f s, of it in the kernel %.2f s (%.0f %% of one core over the run)", best.cpu,
                        best.system, 100 * best.cpu / best.seconds);
        }
        bench::note("  %s: speed-up with 2 processes %.2fx (%.0f files/s); both runs leave the same bytes: %s", steps,
                    seconds[1] / seconds[2], kFolders * kFilesPerFolder / seconds[2],
                    results[1] == results[2] && results[1].size() == size_t(kFolders * kFilesPerFolder) ? "yes" : "NO");
    }
}
