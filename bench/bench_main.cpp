// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bench.h"

#include <QApplication>

#include <cstdarg>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace bench {
namespace {
std::vector<std::pair<const char*, Fn>>& registry()
{
    static std::vector<std::pair<const char*, Fn>> r;
    return r;
}
} // namespace

Registrar::Registrar(const char* name, Fn fn) { registry().emplace_back(name, fn); }

void row(const char* what, double megabytes, double seconds)
{
    std::printf("  %-58s %9.3f s  %9.1f MB/s\n", what, seconds, megabytes / seconds);
    std::fflush(stdout);
}

void note(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::printf("\n");
    std::fflush(stdout);
}

double peakRssMB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return -1;
}

void resetPeakRss()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

QString big5SubtitleText(qsizetype bytes)
{
    static const char* const lines[] = {
        "我們今天晚上要去看電影，你要不要一起來？",
        "這個世界上沒有什麼事情是不可能的。",
        "他說他明天會回來，可是我不相信他。",
        "Hello, 你好嗎？我很好，謝謝。",
        "警察已經包圍了這棟大樓，請大家保持冷靜。",
        "你知道嗎？她的頭髮是紅色的。",
        "我們必須在天亮之前離開這裡。",
        "1080p 版本 字幕組 翻譯：小明 校對：阿華",
    };
    QString out;
    out.reserve(bytes);
    unsigned seed = 12345;
    qsizetype approx = 0;
    int n = 1;
    while (approx < bytes) {
        seed = seed * 1103515245 + 12345;
        const QString line = QString::fromUtf8(lines[(seed >> 16) % 8]);
        const QString counter = QString::number(n++);
        out += counter + "\r\n" + line + "\r\n\r\n";
        approx += counter.size() + 6 + line.size() * 2;
    }
    return out;
}

} // namespace bench

int main(int argc, char** argv)
{
    // Some cases drive the real text area; without a display they run offscreen.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const char* filter = argc > 1 ? argv[1] : "";
    for (const auto& [name, fn] : bench::registry()) {
        if (std::strstr(name, filter) == nullptr)
            continue;
        std::printf("== %s\n", name);
        std::fflush(stdout);
        fn();
    }
    return 0;
}
