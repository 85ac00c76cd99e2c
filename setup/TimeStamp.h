#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

// The time of day as the status line shows it: the locale's long time format with hours,
// minutes and seconds, without the time zone that Qt's long format adds.
QString timeStamp(const QTime &time, const QLocale &locale);

// The locale's long time format with every time-zone field and the blanks around it removed.
QString timeFormatWithoutZone(const QLocale &locale);
