// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/batch.h"
#include "cli/options.h"
#include "document/native_path.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <unistd.h>

namespace {

// Help and version text; a failure to write it (a closed or full output) is an error too.
int print(std::FILE* out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (!out || std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out) != size_t(bytes.size())
        || std::fflush(out) != 0) {
        std::fputs("subbig5-convert: 無法寫到標準輸出\n", stderr);
        return 1;
    }
    return 0;
}

// A standard stream the caller closed: its number is taken by /dev/null at once, so no file
// opened later can land on it and be read or written by mistake; the stream counts as closed.
std::FILE* unlessClosed(int fd, std::FILE* stream)
{
    if (::fcntl(fd, F_GETFD) != -1)
        return stream;
    const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd)
        ::close(null);
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
#if defined(__GLIBC__)
    // Every road works a slice of about 1 MB at a time. By default the C library maps each such
    // buffer afresh and gives it back on free, so every slice faults its pages in again; kept in
    // the heap they are reused (at most a few slices are alive at once, so the peak is the same).
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
    std::FILE* in = unlessClosed(0, stdin);
    std::FILE* out = unlessClosed(1, stdout);
    std::FILE* err = unlessClosed(2, stderr);
    // The arguments as bytes: a file name need not be valid UTF-8 and must still be found.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << document::pathFromNative(argv[i]);
    QCoreApplication app(argc, argv);
    const batch::ParseResult parsed = batch::parseArguments(arguments);
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "subbig5-convert: %s\n", parsed.error.toUtf8().constData());
        std::fprintf(stderr, "subbig5-convert: 請用 --help 查看用法\n");
        return 2;
    }
    if (parsed.options.help)
        return print(out, batch::usageText());
    if (parsed.options.version)
        return print(out, QStringLiteral("subbig5-convert %1\n").arg(QStringLiteral(SUBBIG5_VERSION)));
    try {
        return batch::run(parsed.options, in, out, err ? err : stderr);
    } catch (const std::exception& e) {   // a broken build: an ICU converter missing
        std::fprintf(stderr, "subbig5-convert: %s\n", e.what());
        return 1;
    }
}
