// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/stamp.h"

namespace {

// The first character between two fields of a locale's format ("h:mm" gives ':'),
// or `fallback` when the format has none.
QString separatorIn(const QString& format, const QString& fieldLetters, QChar fallback)
{
    bool inField = false;
    bool inQuote = false;
    for (const QChar c : format) {
        if (c == u'\'') {
            inQuote = !inQuote;
            continue;
        }
        if (inQuote)
            continue;
        if (fieldLetters.contains(c)) {
            inField = true;
        } else if (inField && !c.isSpace() && !c.isLetter()) {
            return QString(c);
        }
    }
    return QString(fallback);
}

} // namespace

QString formatStamp(const QDateTime& when, const QLocale& locale)
{
    const QTime t = when.time();
    const QDate d = when.date();
    const QString designator = t.hour() < 12 ? locale.amText() : locale.pmText();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    const QString timeSep = separatorIn(locale.timeFormat(QLocale::ShortFormat), QStringLiteral("hHm"), u':');
    const QString dateSep = separatorIn(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("yMd"), u'/');
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QChar(u'0')); };
    return designator + u' ' + two(hour12) + timeSep + two(t.minute()) + u' '
           + QStringLiteral("%1").arg(d.year(), 4, 10, QChar(u'0')) + dateSep + two(d.month()) + dateSep
           + two(d.day());
}
