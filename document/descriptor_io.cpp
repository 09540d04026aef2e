// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/descriptor_io.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace document {

bool writeAllTo(int fd, const char* data, qint64 size, int* error)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(size, qint64(1) << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = n < 0 ? errno : ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace document
