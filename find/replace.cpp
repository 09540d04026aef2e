// SPDX-License-Identifier: GPL-3.0-or-later
#include "find/replace.h"

#include <algorithm>

namespace find {

QString replaceOccurrences(QStringView text, QStringView find, QStringView with)
{
    if (find.isEmpty())
        return text.toString();
    qsizetype hit = text.indexOf(find);
    if (hit < 0)
        return text.toString();

    QString out;
    // Room for the text when the replacement is no longer than what it replaces; a longer
    // one grows the string geometrically.
    out.reserve(text.size() + std::max<qsizetype>(0, with.size() - find.size()) * 16);
    qsizetype done = 0;
    while (hit >= 0) {
        out.append(text.sliced(done, hit - done));
        out.append(with);
        done = hit + find.size();
        hit = text.indexOf(find, done);
    }
    out.append(text.sliced(done));
    return out;
}

} // namespace find
