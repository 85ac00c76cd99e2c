#pragma once

#include "watch/MonitoringSettings.h"

#include <QString>
#include <array>

// The monitoring settings as the settings window's fields hold them, and the check of those
// fields: each field's value, or what is wrong with it.
namespace MonitoringForm
{

enum Field { ElevationLimits, AzimuthLimits, Hold, Hysteresis, NoReadingsAfter, FieldCount };

struct Texts {
    std::array<QString, FieldCount> fields; // an empty limits field: no limits
    QString alarmCommand;
    bool resume = true;
};

struct Checked {
    MonitoringSettings settings;
    std::array<QString, FieldCount> errors; // empty: the field is right
    bool ok() const;
};

Texts texts(const MonitoringSettings &settings);
Checked check(const Texts &texts);

} // namespace MonitoringForm
