#pragma once

#include <QString>
#include <QtGlobal>

#include <limits>

// One event as the events file writes it: time, event, quantity, value, limit, detail. Whoever
// raises events maps them onto this, so publishing depends on no particular source of them.
struct PublishedEvent {
    qint64 msecsSinceEpoch = 0;
    // The local clock's offset from UTC at that moment, in seconds east of Greenwich.
    int utcOffsetSeconds = 0;
    QString event;                                           // "alarm-start", "port-lost", ...
    QString quantity;                                        // "elevation", "azimuth" or empty
    double value = std::numeric_limits<double>::quiet_NaN(); // NaN: none
    double limit = std::numeric_limits<double>::quiet_NaN(); // NaN: none
    QString detail;
};
