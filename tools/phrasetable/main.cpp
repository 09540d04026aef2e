// SPDX-License-Identifier: GPL-3.0-or-later
// subbig5-phrasetable OPENCC_DATA_DIR DICTIONARY OUTPUT
// Merges OpenCC's dictionaries with the project's phrase dictionary and writes the compiled
// table the program carries, so that no run merges them again.
#include "convert/phrase/converter.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: subbig5-phrasetable OPENCC_DATA_DIR DICTIONARY OUTPUT\n");
        return 2;
    }
    QFile dictionary(args[2]);
    if (!dictionary.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args[2]));
        return 1;
    }
    QString error;
    phrase::Entries entries;
    QByteArray table;
    if (phrase::mergeEntries(args[1], QString::fromUtf8(dictionary.readAll()), &entries, &error))
        table = phrase::Converter::compile(entries, &error);
    if (table.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QSaveFile out(args[3]);
    if (!out.open(QIODevice::WriteOnly) || out.write(table) != table.size() || !out.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[3]));
        return 1;
    }
    return 0;
}
