#pragma once

#include "watch/MonitorEvent.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The events file's format: CSV (CR LF line ends), a header row, then one row an event:
//   time,event,quantity,value,limit,detail
//   2026-12-07T14:03:05.250+01:00,alarm-start,elevation,6.2,5,""
// time as in the recordings; value and limit empty when there is none; the detail always quoted,
// on one line (line ends inside it become " | "), at most MaxDetail characters.
namespace EventRow
{

constexpr qsizetype MaxDetail = 4096;

QByteArray header();
// "2026-12-07T14:03:05.250+01:00": the recordings' time text.
QByteArray timeText(const QDateTime &time);
QByteArray format(const MonitorEvent &event);

// The time, event and quantity of a row (the rest is not needed to read periods back). Nothing
// when the row is not one: a torn line, an unknown event, a wrong time.
struct Head {
    QDateTime time;
    MonitorEventKind kind;
    Quantity quantity;
};
std::optional<Head> parseHead(QByteArrayView line);

} // namespace EventRow
