#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QtNumeric>

enum class MonitorEventKind {
    StreamStart,
    StreamEnd,
    AlarmStart,
    AlarmEnd,
    NoReadingsStart,
    NoReadingsEnd,
    PortLost,
    PortBack,
    CommandFailed,
    // Publishing: readings or events that did not fit the queue while the broker was away, and
    // a broker that refused the login or the certificate.
    PublishDropped,
    BrokerRefused
};

enum class Quantity { None, Elevation, Azimuth };

// "stream-start", "stream-end", "alarm-start", "alarm-end", "no-readings-start",
// "no-readings-end", "port-lost", "port-back", "command-failed", "publish-dropped",
// "broker-refused".
QString eventName(MonitorEventKind kind);
// "", "elevation", "azimuth".
QString quantityName(Quantity quantity);

// "45 s", "2 min 7 s", "3 h 12 min": a duration as the notices and details say it.
QString durationText(qint64 msecs);

// Something worth keeping and telling someone about while watching.
struct MonitorEvent {
    // Local time with its UTC offset.
    QDateTime time;
    MonitorEventKind kind = MonitorEventKind::StreamStart;
    Quantity quantity = Quantity::None;
    // The reading that decided it (alarms); NaN when none.
    double value = qQNaN();
    // The limit crossed; NaN when none.
    double limit = qQNaN();
    // "Com port 1" or a device path.
    QString port;
    // Free text: the reason of a loss, a command's output, ...
    QString detail;
};

Q_DECLARE_METATYPE(MonitorEvent)
