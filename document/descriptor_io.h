// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing to a file descriptor with every byte accounted for: write(2) may take less than it
// is given, and a disk that takes nothing more says so only on the next call.

#include <QtGlobal>

namespace document {

// Writes all `size` bytes; false with the errno value in *error when it cannot (ENOSPC when
// the system stops taking bytes without a reason).
bool writeAllTo(int fd, const char* data, qint64 size, int* error);

} // namespace document
