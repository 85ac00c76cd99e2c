#pragma once

#include "watch/MonitoringSettings.h"

#include <QtGlobal>

// One quantity's alarm rule. The alarm starts when the readings stay beyond the band for the
// whole hold time, and ends when they stay back inside it, by at least the hysteresis, for the
// hold time. A missing value (NaN) neither starts nor ends the alarm, nor breaks a run; time
// without readings does not break a run either. Times are in seconds of a monotonic clock.
class LimitRule
{
public:
    enum class Shape { Range, Compass };
    enum class Change { None, Started, Ended, ExtremeMoved };

    LimitRule(Shape shape, const LimitBand &band, double holdSeconds, double hysteresisDegrees);

    // A reading at time t, with its wall time for the alarm's "since".
    Change feed(double value, double t, qint64 msecsSinceEpoch, int utcOffsetSeconds);
    // Time passing without a reading.
    Change tick(double t);

    bool alarmOn() const { return alarmOn_; }
    // Of the alarm on, or of the run that may start one.
    bool above() const { return above_; }
    double limit() const { return above_ ? band_.high : band_.low; }
    // The farthest value beyond the limit since the run began.
    double extreme() const { return extreme_; }
    // The value that decided the last start or end.
    double decidingValue() const { return deciding_; }
    // Wall time of the run's first reading beyond the limit.
    qint64 sinceMSecs() const { return sinceMSecs_; }
    int sinceUtcOffset() const { return sinceOffset_; }

    // How far beyond the band a value is (> 0), with the side; 0 inside or on the edge.
    double beyond(double value, bool &above) const;
    // How far inside the band a value is, from its nearest edge; negative outside.
    double inside(double value) const;

private:
    Change decide(double t);

    Shape shape_;
    LimitBand band_;
    double hold_;
    double hysteresis_;
    double width_ = 0;

    bool alarmOn_ = false;
    bool above_ = false;
    bool runOn_ = false; // a run of readings towards the other state
    double runStart_ = 0;
    double extreme_ = 0;
    double lastValue_ = 0;
    double deciding_ = 0;
    qint64 sinceMSecs_ = 0;
    int sinceOffset_ = 0;
};
