#include "watch/MonitoringSettings.h"

#include <QSettings>

MonitoringSettings loadMonitoringSettings(QSettings &)
{
    return {};
}

void saveMonitoringSettings(QSettings &, const MonitoringSettings &) {}

std::variant<LimitBand, QString> parseElevationLimits(QStringView)
{
    return QStringLiteral("not yet");
}

std::variant<LimitBand, QString> parseAzimuthLimits(QStringView)
{
    return QStringLiteral("not yet");
}

std::variant<double, QString> parseNonNegativeSeconds(QStringView)
{
    return QStringLiteral("not yet");
}

QString limitsText(const LimitBand &)
{
    return {};
}
