// SPDX-License-Identifier: GPL-3.0-or-later
// subbig5-charmaps BIGSTR GBSTR GBK OUT.cpp: writes the character maps of 簡轉繁 and 繁轉簡 on
// text as C++ arrays, so that the program carries them ready-made instead of building them
// through ICU at every run.

#include "char_maps_build.h"

#include "convert/gbk_table.h"
#include "convert/tables.h"

#include <QFile>
#include <QString>

#include <cstdio>
#include <exception>

namespace {

void writeMap(QByteArray& out, const char* name, const charmaps::CharMap& map)
{
    out += "extern const char16_t ";
    out += name;
    out += "[65536];\nalignas(64) const char16_t ";
    out += name;
    out += "[65536] = {\n";
    for (size_t i = 0; i < map.size(); ++i) {
        out += QByteArray::number(map[i]);
        out += (i % 16 == 15) ? ",\n" : ",";
    }
    out += "};\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: subbig5-charmaps 101.bin 102.bin 103.bin out.cpp\n");
        return 2;
    }
    QString error;
    if (!modBig2GB::LoadTablesFrom(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), &error)
        || !modBig2GB::loadGbkTableFrom(QString::fromLocal8Bit(argv[3]), &error)) {
        std::fprintf(stderr, "subbig5-charmaps: %s\n", error.toUtf8().constData());
        return 1;
    }
    QByteArray out = "// Written by subbig5-charmaps from the conversion tables; do not edit.\n"
                     "namespace modBig2GB::maps {\n";
    try {
        writeMap(out, "kGbToBig", *charmaps::buildGbToBig());
        writeMap(out, "kBigToGB", *charmaps::buildBigToGB());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "subbig5-charmaps: %s\n", e.what());
        return 1;
    }
    out += "} // namespace modBig2GB::maps\n";
    QFile file(QString::fromLocal8Bit(argv[4]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(out) != out.size() || !file.flush()) {
        std::fprintf(stderr, "subbig5-charmaps: cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}
