// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the fuzz targets: a reader over the fuzzer's bytes, a failing check that
// names what broke, and the conversion tables loaded from the repository's blobs.

#include "convert/tables.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// Stops the run with a message; libFuzzer then saves the input as a crash file.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

// Takes the fuzzer's bytes front to back; past the end every read gives 0.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::size_t left() const { return size_ - at_; }
    const std::uint8_t* rest() const { return data_ + at_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// BigStr and GBStr from convert/resources (the same blobs the program embeds).
inline void loadTables()
{
    static const bool loaded = [] {
        QString error;
        const QString dir = QStringLiteral(SUBBIG5_TABLES_DIR);
        if (!modBig2GB::LoadTablesFrom(dir + QStringLiteral("/101.bin"), dir + QStringLiteral("/102.bin"), &error))
            fail(qPrintable(error));
        return true;
    }();
    (void)loaded;
}

} // namespace fuzz
