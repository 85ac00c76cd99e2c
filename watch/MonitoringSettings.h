#pragma once

#include <QString>
#include <QStringView>

#include <variant>

class QSettings;

// A band of allowed values for one quantity; off by default.
struct LimitBand {
    bool enabled = false;
    // Elevation: LOW; azimuth: FROM (the clockwise band FROM..TO, which may wrap past 0).
    double low = 0;
    // Elevation: HIGH; azimuth: TO.
    double high = 0;

    friend bool operator==(const LimitBand &, const LimitBand &) = default;
};

// What watching unattended is set to: limits, alarm timing, the watchdog, the command, resuming.
struct MonitoringSettings {
    LimitBand elevation;
    LimitBand azimuth;
    double holdSeconds = 5.0;
    double hysteresisDegrees = 0.5;
    // 0 switches the watchdog off.
    int noReadingsAfterSeconds = 10;
    // Empty: none.
    QString alarmCommand;
    bool resume = true;

    friend bool operator==(const MonitoringSettings &, const MonitoringSettings &) = default;
};

// Under the QSettings group "monitoring": elevationLimits ("LOW:HIGH" or empty), azimuthLimits
// ("FROM:TO" or empty), alarmHold, hysteresis, noReadingsAfter, alarmCommand, resume. A value
// that does not parse keeps its default.
MonitoringSettings loadMonitoringSettings(QSettings &settings);
void saveMonitoringSettings(QSettings &settings, const MonitoringSettings &monitoring);

// One option's text, shared by the command line and the settings window: the value, or a message
// saying what is wrong.
// "LOW:HIGH" or "LOW,HIGH", both within -90..90, LOW < HIGH.
std::variant<LimitBand, QString> parseElevationLimits(QStringView text);
// "FROM:TO" or "FROM,TO", both within 0..360, FROM != TO.
std::variant<LimitBand, QString> parseAzimuthLimits(QStringView text);
// A number of seconds, 0..86400.
std::variant<double, QString> parseNonNegativeSeconds(QStringView text);
// A number of degrees, 0..180 (the hysteresis).
std::variant<double, QString> parseNonNegativeDegrees(QStringView text);

// The text parseElevationLimits / parseAzimuthLimits read back to the same band ("" when off).
QString limitsText(const LimitBand &band);
