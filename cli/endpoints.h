// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the converter reads and writes: a file or standard input; standard output or a file
// written safely.

#include "cli/options.h"
#include "document/save_file.h"

#include <QFile>
#include <QIODevice>
#include <QString>

#include <cstdio>

namespace batch {

struct Source {
    QFile file;
    QString name;   // for messages
};
// Opens `path` ("-" is `in`; a null `in` is a standard input the caller closed).
bool openSource(const QString& path, std::FILE* in, Source& source, QString* reason);

// Standard output, written straight to its descriptor: every write is checked and nothing
// waits in a buffer, so a full disk or a closed pipe is reported, never lost.
class Console : public QIODevice {
public:
    bool open(int fd);
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    int fd_ = -1;
};

// Standard output, or a file written safely (committed only when everything went well).
struct Sink {
    Console console;
    document::SafeFile file;
    bool toConsole = true;
    QString name;   // for messages

    QIODevice& device() { return toConsole ? static_cast<QIODevice&>(console) : file; }
};
// The file the output for `input` goes to: the file itself with -i, -o's path; empty for
// standard output.
QString sinkPath(const Options& options, const QString& input);
// The output for `input`: the file itself with -i, -o's path, else `out` (null: closed).
bool openSink(const Options& options, const QString& input, std::FILE* out, Sink& sink, QString* reason);

} // namespace batch
