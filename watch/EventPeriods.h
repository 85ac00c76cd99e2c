#pragma once

#include "watch/MonitorEvent.h"

#include <QDateTime>
#include <QIODevice>
#include <QList>
#include <QString>

#include <variant>

// An alarm or no-readings period read back from an events file, for shading.
struct EventPeriod {
    MonitorEventKind startKind = MonitorEventKind::AlarmStart;
    Quantity quantity = Quantity::None;
    QDateTime begin;
    // Invalid: still open at the file's end.
    QDateTime end;
};

// The alarm and no-readings periods an events file holds, in the order they began, or a message
// when it cannot be read. Reads the disk: call it off the GUI thread. Rows that are not rows
// (torn, too long, unknown) are skipped; a period still open at a stream's start or end (the
// program ended without closing it) ends there. At most MaxEventPeriods are returned.
constexpr qsizetype MaxEventPeriods = 100000;
std::variant<QList<EventPeriod>, QString> readEventPeriods(const QString &eventsFilePath);
// The same from an open device (a buffer in tests and the fuzzer).
std::variant<QList<EventPeriod>, QString> readEventPeriods(QIODevice &device);
