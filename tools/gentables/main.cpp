// SPDX-License-Identifier: GPL-3.0-or-later
// subbig5-gentables OUTPUT_DIR [OPENCC_DATA_DIR]
// Writes OUTPUT_DIR/101.bin (Big5 to GB2312), OUTPUT_DIR/102.bin (GB2312 to Big5) and
// OUTPUT_DIR/103.bin (GBK beyond GB2312 to Big5), and prints how many cells each rule filled.
// The output depends only on ICU's code page tables, the editor's codec (code page 950 as
// Windows reads it), OpenCC's character dictionaries and the override list, so a rerun gives
// the same bytes.

#include "tools/gentables/charsets.h"
#include "tools/gentables/counterparts.h"
#include "tools/gentables/gbk_table.h"
#include "tools/gentables/table_builder.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <exception>

namespace {

bool writeBlob(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

void printTally(const char* title, const QByteArray& blob, const gentables::Tally& tally)
{
    std::printf("%s: %lld bytes, %lld cells\n", title, static_cast<long long>(blob.size()),
                static_cast<long long>(blob.size() / 2));
    for (const auto& [rule, cells] : tally)
        std::printf("  %6d  %s\n", cells, rule.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [OPENCC_DATA_DIR]\n", argv[0]);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const std::string dataDir = argc == 3 ? argv[2] : SUBBIG5_OPENCC_DATA_DIR;
    try {
        const gentables::Gb2312 gb2312;
        const gentables::CharacterDictionary toSimplified("TSCharacters.ocd2", dataDir);
        const gentables::CharacterDictionary toTraditional("STCharacters.ocd2", dataDir);
        const gentables::BuiltTables tables = gentables::buildTables(gb2312, toSimplified, toTraditional);
        gentables::Tally gbkTally;
        const QByteArray gbk = gentables::buildGbkTable(gb2312, toTraditional, gbkTally);

        if (!QDir().mkpath(outDir) || !writeBlob(outDir + "/101.bin", tables.bigStr)
            || !writeBlob(outDir + "/102.bin", tables.gbStr) || !writeBlob(outDir + "/103.bin", gbk))
            return 1;
        printTally("101 (Big5 to GB2312)", tables.bigStr, tables.bigTally);
        printTally("102 (GB2312 to Big5)", tables.gbStr, tables.gbTally);
        printTally("103 (GBK beyond GB2312 to Big5)", gbk, gbkTally);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "subbig5-gentables: %s\n", e.what());
        return 1;
    }
    return 0;
}
