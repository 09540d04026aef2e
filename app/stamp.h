// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The time/date stamp "AMPM HH:MM YYYY/MM/DD": the locale's before-noon or from-noon
// designator, the hour on the 12-hour clock, then the date; separators from the locale.

#include <QDateTime>
#include <QLocale>
#include <QString>

QString formatStamp(const QDateTime& when, const QLocale& locale);
