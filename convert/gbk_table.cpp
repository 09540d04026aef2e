// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/gbk_table.h"

#include <QFile>

#include <mutex>

namespace {

QByteArray table;
std::once_flag loadedOnce;
bool loadedOk = false;
QString loadError;

bool readTable(const QString& path, QString* error)
{
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (bytes.size() != modBig2GB::kGbkTableBytes) {
        *error = QStringLiteral("轉換表資源 103 缺少或長度不符（應為 %1 位元組，實為 %2 位元組）")
                     .arg(modBig2GB::kGbkTableBytes)
                     .arg(bytes.size());
        return false;
    }
    table = bytes;
    return true;
}

} // namespace

namespace modBig2GB {

bool loadGbkTableFrom(const QString& path, QString* error)
{
    std::call_once(loadedOnce, [&] { loadedOk = readTable(path, &loadError); });
    if (!loadedOk && error)
        *error = loadError;
    return loadedOk;
}

Cell gbkCell(unsigned lead, unsigned trail)
{
    if (table.isEmpty() || lead < kGbkFirstLead || lead > kGbkLastLead || trail < kGbkFirstTrail
        || trail > kGbkLastTrail)
        return {0, 0};
    const qsizetype at = (qsizetype(lead - kGbkFirstLead) * (kGbkLastTrail - kGbkFirstTrail + 1)
                          + (trail - kGbkFirstTrail)) * 2;
    return {std::uint8_t(table[at]), std::uint8_t(table[at + 1])};
}

} // namespace modBig2GB
