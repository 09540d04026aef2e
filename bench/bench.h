// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A tiny benchmark registry: each bench_*.cpp file adds its cases with SUBBIG5_BENCH,
// and subbig5-bench runs them (all, or those whose name contains its argument).
// Results are printed as rows so that competitors measured in the same run sit side by side.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdio>
#include <functional>
#include <utility>

namespace bench {

using Fn = void (*)();
struct Registrar {
    Registrar(const char* name, Fn fn);
};

// Best wall time of `runs` calls of f, in seconds.
template <class F>
double bestSeconds(int runs, F&& f)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        best = std::min(best, d.count());
    }
    return best;
}

// One result row: what ran, on how many bytes, how long. Prints MB/s too.
void row(const char* what, double megabytes, double seconds);
// A free-form line (headers, ratios, notes).
void note(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Peak resident set size of this process so far, in MB (VmHWM).
double peakRssMB();
// Reset the peak so a later peakRssMB() measures only what follows (Linux clear_refs).
void resetPeakRss();

// Deterministic sample text: Traditional Chinese subtitle-like lines, ~bytes long when
// encoded in code page 950.
QString big5SubtitleText(qsizetype bytes);

} // namespace bench

#define SUBBIG5_BENCH(name)                                         \
    static void name();                                             \
    static const ::bench::Registrar name##_registrar(#name, &name); \
    static void name()
