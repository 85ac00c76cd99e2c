#include "app/MonitoringForm.h"

#include <cmath>

namespace MonitoringForm
{

namespace
{

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

template <typename T, typename Parse>
void read(const Texts &texts, Field field, Parse parse, T &into, Checked &checked)
{
    const auto parsed = parse(QStringView(texts.fields[field]).trimmed());
    if (const QString *error = std::get_if<QString>(&parsed))
        checked.errors[field] = *error;
    else
        into = std::get<0>(parsed);
}

} // namespace

bool Checked::ok() const
{
    for (const QString &error : errors) {
        if (!error.isEmpty())
            return false;
    }
    return true;
}

Texts texts(const MonitoringSettings &settings)
{
    Texts t;
    t.fields[ElevationLimits] = limitsText(settings.elevation);
    t.fields[AzimuthLimits] = limitsText(settings.azimuth);
    t.fields[Hold] = number(settings.holdSeconds);
    t.fields[Hysteresis] = number(settings.hysteresisDegrees);
    t.fields[NoReadingsAfter] = QString::number(settings.noReadingsAfterSeconds);
    t.alarmCommand = settings.alarmCommand;
    t.resume = settings.resume;
    return t;
}

Checked check(const Texts &texts)
{
    Checked checked;
    MonitoringSettings &s = checked.settings;
    if (!texts.fields[ElevationLimits].trimmed().isEmpty())
        read(texts, ElevationLimits, parseElevationLimits, s.elevation, checked);
    if (!texts.fields[AzimuthLimits].trimmed().isEmpty())
        read(texts, AzimuthLimits, parseAzimuthLimits, s.azimuth, checked);
    read(texts, Hold, parseNonNegativeSeconds, s.holdSeconds, checked);
    // Degrees follow the same rule as seconds: a finite number, not negative.
    read(texts, Hysteresis, parseNonNegativeSeconds, s.hysteresisDegrees, checked);
    double noReadings = s.noReadingsAfterSeconds;
    read(texts, NoReadingsAfter, parseNonNegativeSeconds, noReadings, checked);
    if (noReadings > 86400.0)
        checked.errors[NoReadingsAfter] = QStringLiteral("At most 86400 seconds (a day).");
    s.noReadingsAfterSeconds = int(std::lround(std::min(noReadings, 86400.0)));
    s.alarmCommand = texts.alarmCommand.trimmed();
    s.resume = texts.resume;
    return checked;
}

} // namespace MonitoringForm
