// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A buffer of a large text is touched page by page as it is written; on Linux, huge pages
// turn tens of thousands of page faults into a few dozen. Small buffers are left alone.

#include <QtGlobal>

namespace convert {

void preferHugePages(void* data, qsizetype bytes);

} // namespace convert
