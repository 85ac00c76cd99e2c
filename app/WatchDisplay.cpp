#include "app/WatchDisplay.h"

#include <cmath>

namespace WatchDisplay
{

namespace
{

QString clock(const QDateTime &at)
{
    return at.toString(QStringLiteral("HH:mm:ss"));
}

QString oneDecimal(double value)
{
    return QString::number(value, 'f', 1);
}

QString quantityTitle(Quantity quantity)
{
    switch (quantity) {
    case Quantity::Elevation:
        return QStringLiteral("Elevation");
    case Quantity::Azimuth:
        return QStringLiteral("Azimuth");
    case Quantity::None:
        break;
    }
    return {};
}

} // namespace

QString alarmNotice(const Watchman::ActiveAlarm &alarm)
{
    return QStringLiteral("%1 %2 %3 since %4, %5 %6")
        .arg(quantityTitle(alarm.quantity),
             alarm.above ? QStringLiteral("above") : QStringLiteral("below"),
             oneDecimal(alarm.limit), clock(alarm.since),
             alarm.above ? QStringLiteral("highest") : QStringLiteral("lowest"),
             oneDecimal(alarm.extreme));
}

QString noReadingsNotice(const QDateTime &since)
{
    return QStringLiteral("No readings since %1").arg(clock(since));
}

Message message(const MonitorEvent &event)
{
    const QString what = quantityTitle(event.quantity);
    const QString at = clock(event.time);
    const QString value = std::isnan(event.value) ? QString() : oneDecimal(event.value);
    const QString limit = std::isnan(event.limit) ? QString() : oneDecimal(event.limit);
    switch (event.kind) {
    case MonitorEventKind::AlarmStart:
        return {QStringLiteral("%1 alarm").arg(what),
                QStringLiteral("%1 is %2 at %3 (limit %4).").arg(what, value, at, limit)};
    case MonitorEventKind::AlarmEnd:
        return {QStringLiteral("%1 back within limits").arg(what),
                QStringLiteral("%1 is %2 at %3.").arg(what, value, at)};
    case MonitorEventKind::NoReadingsStart:
        return {QStringLiteral("No readings"),
                QStringLiteral("No readings from %1 at %2.").arg(event.port, at)};
    case MonitorEventKind::NoReadingsEnd:
        return {QStringLiteral("Readings again"),
                QStringLiteral("Readings from %1 again at %2.").arg(event.port, at)};
    case MonitorEventKind::PortLost:
        return {QStringLiteral("%1 lost").arg(event.port),
                QStringLiteral("%1 lost at %2. %3").arg(event.port, at, event.detail)};
    case MonitorEventKind::PortBack:
        return {QStringLiteral("%1 back").arg(event.port),
                QStringLiteral("%1 back at %2.").arg(event.port, at)};
    case MonitorEventKind::StreamStart:
        return {QStringLiteral("Watching"),
                QStringLiteral("Readings from %1 since %2.").arg(event.port, at)};
    case MonitorEventKind::StreamEnd:
        return {QStringLiteral("Watching ended"), QStringLiteral("Ended at %1.").arg(at)};
    case MonitorEventKind::CommandFailed:
        return {QStringLiteral("Alarm command failed"), event.detail};
    case MonitorEventKind::PublishDropped:
        return {QStringLiteral("Readings not published"), event.detail};
    case MonitorEventKind::BrokerRefused:
        return {QStringLiteral("Broker refused"), event.detail};
    }
    return {};
}

QList<double> limitLines(const LimitBand &band)
{
    if (!band.enabled)
        return {};
    return {band.low, band.high};
}

QList<std::pair<double, double>> elevationOutside(const LimitBand &band)
{
    if (!band.enabled)
        return {};
    return {{-90.0, band.low}, {band.high, 90.0}};
}

QList<std::pair<double, double>> azimuthOutside(const LimitBand &band)
{
    if (!band.enabled)
        return {};
    if (band.low < band.high)
        return {{0.0, band.low}, {band.high, 360.0}};
    // A band that wraps past north leaves out what lies between its end and its start.
    return {{band.high, band.low}};
}

} // namespace WatchDisplay
