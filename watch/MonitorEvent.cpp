#include "watch/MonitorEvent.h"

QString eventName(MonitorEventKind kind)
{
    switch (kind) {
    case MonitorEventKind::StreamStart:
        return QStringLiteral("stream-start");
    case MonitorEventKind::StreamEnd:
        return QStringLiteral("stream-end");
    case MonitorEventKind::AlarmStart:
        return QStringLiteral("alarm-start");
    case MonitorEventKind::AlarmEnd:
        return QStringLiteral("alarm-end");
    case MonitorEventKind::NoReadingsStart:
        return QStringLiteral("no-readings-start");
    case MonitorEventKind::NoReadingsEnd:
        return QStringLiteral("no-readings-end");
    case MonitorEventKind::PortLost:
        return QStringLiteral("port-lost");
    case MonitorEventKind::PortBack:
        return QStringLiteral("port-back");
    case MonitorEventKind::CommandFailed:
        return QStringLiteral("command-failed");
    case MonitorEventKind::PublishDropped:
        return QStringLiteral("publish-dropped");
    case MonitorEventKind::BrokerRefused:
        return QStringLiteral("broker-refused");
    }
    return {};
}

QString quantityName(Quantity quantity)
{
    switch (quantity) {
    case Quantity::None:
        return {};
    case Quantity::Elevation:
        return QStringLiteral("elevation");
    case Quantity::Azimuth:
        return QStringLiteral("azimuth");
    }
    return {};
}

QString durationText(qint64 msecs)
{
    const qint64 seconds = qMax<qint64>(0, msecs) / 1000;
    if (seconds < 60)
        return QString::number(seconds) + u" s";
    if (seconds < 3600)
        return QString::number(seconds / 60) + u" min " + QString::number(seconds % 60) + u" s";
    return QString::number(seconds / 3600) + u" h " + QString::number(seconds / 60 % 60) + u" min";
}
