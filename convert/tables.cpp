// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/tables.h"

#include <QFile>

#include <atomic>
#include <mutex>
#include <stdexcept>

namespace modBig2GB {

Cell BigStr[kBigLastLead - kBigFirstLead + 1][kBigLastTrail - kBigFirstTrail + 1] = {};
Cell GBStr[kGBLastKey - kGBFirstKey + 1][kGBLastTrail - kGBFirstTrail + 1] = {};

namespace {

std::atomic<bool> loaded{false};
std::mutex loadMutex;

bool readWhole(const QString& path, int id, qsizetype size, QByteArray* out, QString* error)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        *out = file.readAll();
    if (file.isOpen() && out->size() == size)
        return true;
    if (error) {
        *error = QStringLiteral("轉換表資源 %1 缺少或長度不符（應為 %2 位元組，實為 %3 位元組）")
                     .arg(id)
                     .arg(size)
                     .arg(file.isOpen() ? out->size() : 0);
    }
    return false;
}

void fill(const QByteArray& big, const QByteArray& gb)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(big.constData());
    for (unsigned lead = kBigFirstLead; lead < kBigLastLead; ++lead) {
        for (unsigned trail = kBigFirstTrail; trail <= kBigLastTrail; ++trail, p += 2)
            BigStr[lead - kBigFirstLead][trail - kBigFirstTrail] = {p[0], p[1]};
    }
    p = reinterpret_cast<const std::uint8_t*>(gb.constData());
    for (unsigned key = kGBFirstKey; key < kGBLastKey; ++key) {
        for (unsigned trail = kGBFirstTrail; trail <= kGBLastTrail; ++trail, p += 2)
            GBStr[key - kGBFirstKey][trail - kGBFirstTrail] = {p[0], p[1]};
    }
}

} // namespace

bool LoadTablesFrom(const QString& bigStrPath, const QString& gbStrPath, QString* error)
{
    // Both reads finish before any cell is filled, so a bad resource leaves the tables empty.
    QByteArray big;
    QByteArray gb;
    if (!readWhole(bigStrPath, 101, kBigStrBytes, &big, error)
        || !readWhole(gbStrPath, 102, kGBStrBytes, &gb, error))
        return false;
    const std::lock_guard lock(loadMutex);
    if (!loaded.load(std::memory_order_relaxed)) {
        fill(big, gb);
        loaded.store(true, std::memory_order_release);
    }
    return true;
}

bool LoadTables(QString* error)
{
    if (tablesLoaded())
        return true;
    return LoadTablesFrom(QStringLiteral(":/CUSTOM/101"), QStringLiteral(":/CUSTOM/102"), error);
}

void loadAllTables()
{
    QString error;
    if (!LoadTables(&error))
        throw std::runtime_error(error.toStdString());
}

bool tablesLoaded()
{
    return loaded.load(std::memory_order_acquire);
}

} // namespace modBig2GB
