#pragma once

#include "watch/MonitorEvent.h"
#include "watch/MonitoringSettings.h"
#include "watch/Watchman.h"

#include <QDate>
#include <QList>
#include <QString>
#include <utility>

// How watching shows on the screen: the notice line's texts, the limits as chart lines and gauge
// arcs, and where a moment falls on the chart.
namespace WatchDisplay
{

// "Elevation above 5.0 since 14:03:05, highest 6.2".
QString alarmNotice(const Watchman::ActiveAlarm &alarm);
// "No readings since 14:03:05".
QString noReadingsNotice(const QDateTime &since);

// A notification's title and body for an event.
struct Message {
    QString title;
    QString body;
};
Message message(const MonitorEvent &event);

// The values a band draws as lines (none when off).
QList<double> limitLines(const LimitBand &band);
// The parts of the scale outside the band: elevation on -90..90, azimuth (clockwise FROM..TO,
// may wrap past 0) on 0..360.
QList<std::pair<double, double>> elevationOutside(const LimitBand &band);
QList<std::pair<double, double>> azimuthOutside(const LimitBand &band);

} // namespace WatchDisplay
