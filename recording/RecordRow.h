#pragma once

#include "recording/Reading.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

// The recording file format: CSV (RFC 4180, CR LF line ends), a header row, then one row a
// reading:
//   time,elevation,azimuth
//   2026-12-07T14:05:09.123+01:00,12.5,-3.25
// The time is the local date and time with milliseconds and the UTC offset (ISO 8601); values are
// the shortest text that reads back to the same double, with "." whatever the locale.
namespace RecordRow
{

// "time,elevation,azimuth" followed by CR LF.
QByteArray header();
// True when the line (without its line end) is the header row.
bool isHeader(QByteArrayView line);

// Appends the reading's row, CR LF included, to out.
void append(QByteArray &out, const Reading &reading);

// Reads one row without its line end (a trailing CR is allowed). Nothing when the row is not a
// complete row of this format: a torn line, a wrong time, a value that is not a finite number.
// An empty value field reads as NaN.
std::optional<Reading> parse(QByteArrayView line);

// The local date of the reading as "YYYY-MM-DD": the name of the day's file without ".csv".
QByteArray localDate(const Reading &reading);
// Seconds since local midnight of the reading, whole seconds as the chart's point time uses.
int localSecondOfDay(const Reading &reading);
// The local day number (days since 1970-01-01 in the reading's own offset).
qint64 localDayNumber(const Reading &reading);

} // namespace RecordRow
