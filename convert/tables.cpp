// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/tables.h"

#include <QFile>
#include <QResource>

#include <atomic>
#include <cstring>
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
    bool opened = false;
    if (path.startsWith(u':')) {
        // An embedded resource is read in place, without a file engine.
        const QResource resource(path);
        opened = resource.isValid();
        if (opened)
            *out = resource.uncompressedData();
    } else {
        QFile file(path);
        opened = file.open(QIODevice::ReadOnly);
        if (opened)
            *out = file.readAll();
    }
    if (opened && out->size() == size)
        return true;
    if (error) {
        *error = QStringLiteral("轉換表資源 %1 缺少或長度不符（應為 %2 位元組，實為 %3 位元組）")
                     .arg(id)
                     .arg(size)
                     .arg(opened ? out->size() : 0);
    }
    return false;
}

// The resources hold the rows in the tables' own order, two bytes a cell, lead byte first, and
// end before the last row (never filled): each is one copy.
static_assert(sizeof(Cell) == 2 && sizeof(BigStr[0]) * (kBigLastLead - kBigFirstLead) == kBigStrBytes
              && sizeof(GBStr[0]) * (kGBLastKey - kGBFirstKey) == kGBStrBytes);

void fill(const QByteArray& big, const QByteArray& gb)
{
    std::memcpy(&BigStr[0][0], big.constData(), size_t(kBigStrBytes));
    std::memcpy(&GBStr[0][0], gb.constData(), size_t(kGBStrBytes));
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
