// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the batch converter in this process, as its main() would, with files for its streams.

#include "cli/batch.h"
#include "cli/options.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace {

struct Outcome {
    int status = -1;
    QByteArray out;
    QString err;
};

inline QByteArray slurp(std::FILE* f)
{
    QByteArray b;
    std::rewind(f);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        b.append(buf, qsizetype(n));
    std::fclose(f);
    return b;
}

// Runs the converter with `args` and `input` as standard input; a usage error gives status 2.
// `out` replaces standard output when given (a device that fails, or null for a closed one).
inline Outcome runWith(const QStringList& args, const QByteArray& input = {}, std::FILE* out = nullptr,
                       bool outClosed = false, batch::TableLoader tables = modBig2GB::loadAllTables)
{
    const batch::ParseResult parsed = batch::parseArguments(args);
    Outcome r;
    if (!parsed.error.isEmpty()) {
        r.status = 2;
        r.err = parsed.error;
        return r;
    }
    std::FILE* in = tmpfile();
    std::FILE* captured = out ? out : tmpfile();
    std::FILE* err = tmpfile();
    std::fwrite(input.constData(), 1, size_t(input.size()), in);
    std::rewind(in);
    r.status = batch::run(parsed.options, in, outClosed ? nullptr : captured, err, tables);
    std::fclose(in);
    if (out)
        std::fclose(out);
    else
        r.out = slurp(captured);
    r.err = QString::fromUtf8(slurp(err));
    return r;
}

} // namespace
