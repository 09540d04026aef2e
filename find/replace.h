// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Replace all: every occurrence of `find` in `text` becomes `with`, scanning left to right,
// comparing code unit by code unit (case matters). Occurrences never overlap, the leftmost
// wins, and inserted text is not searched again. An empty `find` leaves the text as it is.

#include <QString>
#include <QStringView>

namespace find {

QString replaceOccurrences(QStringView text, QStringView find, QStringView with);

} // namespace find
