#pragma once

#include <QDateTime>
#include <QtGlobal>
#include <functional>

// The chart's X is real time: days since 1970-01-01 00:00 UTC. It goes on through midnight and
// through a daylight-saving change alike; the local time is only how X is labelled.
namespace ChartTime
{

constexpr double MsecsPerDay = 86400000.0;

inline double fromMsecs(qint64 msecsSinceEpoch)
{
    return double(msecsSinceEpoch) / MsecsPerDay;
}
qint64 toMsecs(double x);
// The date and time at x as a clock at that UTC offset shows it.
QDateTime toDateTime(double x, int offsetSeconds);
// The system's local offset from UTC at x.
int localOffsetAt(double x);

} // namespace ChartTime

// Turns the time of day a point is stamped with into the real instant: the latest one at or
// before now whose local time of day it is, so a stream goes on to the right through midnight
// and through the repeated hour of an autumn change alike. Points come in time order; one that
// steps back by less than half a day is held at the newest instant (a clock set back), one that
// steps back by more starts the next day. The local date and offset of the newest instant are
// kept, so the points of one stretch are placed without asking the time zone again.
class TimeOfDayResolver
{
public:
    struct Instant {
        double x;
        int offsetSeconds;
    };
    // timeOfDay: a fraction of a day; now: the clock's local date and time, asked only when the
    // point leaves the stretch of the previous one.
    Instant resolve(double timeOfDay, const std::function<QDateTime()> &now);
    void reset() { any_ = false; }

private:
    Instant place(double timeOfDay, const std::function<QDateTime()> &clock);
    void settle(qint64 msecs);

    double lastTimeOfDay_ = -1;
    Instant last_{0, 0};

    bool any_ = false;
    qint64 lastMsecs_ = 0;
    int lastOffset_ = 0;
    // The stretch [from, to) of UTC milliseconds over which the local date and offset stand,
    // and the UTC milliseconds of that date's local midnight at that offset.
    qint64 from_ = 0;
    qint64 to_ = 0;
    qint64 midnight_ = 0;
};
