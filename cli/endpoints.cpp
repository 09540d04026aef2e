// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/endpoints.h"

#include "document/descriptor_io.h"
#include "document/file_errors.h"
#include "document/text_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace batch {
namespace {

QString standardInput() { return QStringLiteral("（標準輸入）"); }
QString standardOutput() { return QStringLiteral("（標準輸出）"); }

bool streamIsOpen(std::FILE* stream)
{
    return stream && ::fcntl(fileno(stream), F_GETFD) != -1;
}

} // namespace

bool openSource(const QString& path, std::FILE* in, Source& source, QString* reason)
{
    if (path != u"-") {
        source.name = path;
        return document::openForReading(source.file, path, reason);
    }
    source.name = standardInput();
    if (!streamIsOpen(in) || !source.file.open(fileno(in), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        *reason = QStringLiteral("標準輸入已關閉");
        return false;
    }
    return true;
}

bool Console::open(int fd)
{
    fd_ = fd;
    return ::fcntl(fd, F_GETFD) != -1 && QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 Console::writeData(const char* data, qint64 size)
{
    int error = 0;
    if (!document::writeAllTo(fd_, data, size, &error)) {
        setErrorString(document::systemReason(error));
        return -1;
    }
    return size;
}

QString sinkPath(const Options& o, const QString& input)
{
    return o.inPlace ? input : o.output == u"-" ? QString() : o.output;
}

bool openSink(const Options& o, const QString& input, std::FILE* out, Sink& sink, QString* reason)
{
    const QString target = sinkPath(o, input);
    sink.toConsole = target.isEmpty();
    sink.name = sink.toConsole ? standardOutput() : target;
    if (!sink.toConsole) {
        if (!sink.file.open(target)) {
            *reason = sink.file.reason();
            return false;
        }
        return true;
    }
    if (!streamIsOpen(out) || std::fflush(out) != 0 || !sink.console.open(fileno(out))) {
        *reason = QStringLiteral("標準輸出已關閉");
        return false;
    }
    return true;
}

} // namespace batch
