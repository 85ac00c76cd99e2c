#include "station/MonitoringOptions.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

// A number of degrees, not negative.
std::variant<double, QString> parseDegrees(QStringView text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return u"'%1' is not a number of degrees."_s.arg(text);
    if (value < 0)
        return u"%1 is negative."_s.arg(text);
    return value;
}

} // namespace

namespace MonitoringOptions
{

MonitoringSettings Overrides::applyTo(MonitoringSettings settings) const
{
    if (elevationLimits)
        settings.elevation = *elevationLimits;
    if (azimuthLimits)
        settings.azimuth = *azimuthLimits;
    if (holdSeconds)
        settings.holdSeconds = *holdSeconds;
    if (hysteresisDegrees)
        settings.hysteresisDegrees = *hysteresisDegrees;
    if (noReadingsAfterSeconds)
        settings.noReadingsAfterSeconds = *noReadingsAfterSeconds;
    if (alarmCommand)
        settings.alarmCommand = *alarmCommand;
    if (noResume)
        settings.resume = false;
    return settings;
}

QList<QCommandLineOption> options(bool runOnly)
{
    const QString thisRun = runOnly ? u" (this run only)"_s : QString();
    return {
        QCommandLineOption(u"elevation-limits"_s,
                           u"Alarm when the elevation leaves LOW..HIGH degrees"_s + thisRun +
                               u"."_s,
                           u"LOW:HIGH"_s),
        QCommandLineOption(u"azimuth-limits"_s,
                           u"Alarm when the azimuth leaves the clockwise band FROM..TO degrees"_s +
                               thisRun + u"."_s,
                           u"FROM:TO"_s),
        QCommandLineOption(u"alarm-hold"_s,
                           u"Seconds a reading must stay outside (or back inside) a limit "
                           "before an alarm starts (or ends)."_s,
                           u"SECONDS"_s),
        QCommandLineOption(u"hysteresis"_s,
                           u"Degrees a reading must come back inside a limit to end an alarm."_s,
                           u"DEGREES"_s),
        QCommandLineOption(
            u"no-readings-after"_s,
            u"Alarm when no reading arrives for SECONDS while streaming (0: never)."_s,
            u"SECONDS"_s),
        QCommandLineOption(u"alarm-command"_s,
                           u"Run PROGRAM once for each monitoring event (no shell; the event "
                           "is in its ORVEL_* environment variables)."_s,
                           u"PROGRAM"_s),
        QCommandLineOption(u"no-resume"_s,
                           u"Do not open a lost port again by itself"_s + thisRun + u"."_s),
    };
}

std::variant<Overrides, QString> read(const Lookup &value)
{
    Overrides overrides;
    overrides.noResume = value(u"no-resume"_s).has_value();
    overrides.alarmCommand = value(u"alarm-command"_s);

    QString wrong;
    const auto take = [&](const QString &name, auto parse, auto &into) {
        if (!wrong.isEmpty())
            return;
        const std::optional<QString> text = value(name);
        if (!text)
            return;
        const auto parsed = parse(QStringView(*text));
        if (const QString *error = std::get_if<QString>(&parsed)) {
            wrong = u"--"_s + name + u": "_s + *error;
            return;
        }
        into = std::get<0>(parsed);
    };
    std::optional<double> noReadings;
    take(u"elevation-limits"_s, parseElevationLimits, overrides.elevationLimits);
    take(u"azimuth-limits"_s, parseAzimuthLimits, overrides.azimuthLimits);
    take(u"alarm-hold"_s, parseNonNegativeSeconds, overrides.holdSeconds);
    take(u"hysteresis"_s, parseDegrees, overrides.hysteresisDegrees);
    take(u"no-readings-after"_s, parseNonNegativeSeconds, noReadings);
    if (!wrong.isEmpty())
        return wrong;
    if (noReadings)
        overrides.noReadingsAfterSeconds = int(std::lround(*noReadings));
    return overrides;
}

std::variant<double, QString> parseComPort(QStringView text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 1 || value > 9)
        return u"'%1' is not a Com Port from 1 to 9."_s.arg(text);
    return double(value);
}

} // namespace MonitoringOptions
