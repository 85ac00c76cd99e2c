#pragma once

#include "watch/MonitoringSettings.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <variant>

// The monitoring options both programs take, by the same names on their command lines and in
// the logger's config file: --elevation-limits, --azimuth-limits, --alarm-hold, --hysteresis,
// --no-readings-after, --alarm-command, --no-resume.
namespace MonitoringOptions
{

// What a run sets over the saved (or default) settings; unset: as they are.
struct Overrides {
    std::optional<LimitBand> elevationLimits;
    std::optional<LimitBand> azimuthLimits;
    std::optional<double> holdSeconds;
    std::optional<double> hysteresisDegrees;
    std::optional<int> noReadingsAfterSeconds;
    std::optional<QString> alarmCommand;
    bool noResume = false;

    MonitoringSettings applyTo(MonitoringSettings settings) const;
};

// The options for a parser's help. `runOnly`: the desktop program's wording, which says they
// hold for this run only.
QList<QCommandLineOption> options(bool runOnly);

// An option's value by its name ("alarm-hold"), nothing when it is not given; a flag's value
// is ignored.
using Lookup = std::function<std::optional<QString>(const QString &name)>;

// Each value through its own parser; the first wrong one as "--alarm-hold: <why>".
std::variant<Overrides, QString> read(const Lookup &value);

// A Com Port from 1 to 9.
std::variant<double, QString> parseComPort(QStringView text);

} // namespace MonitoringOptions
