#pragma once

#include <QDateTime>
#include <QTime>

// Time as the program's logic sees it: a monotonic count of seconds for waits, and the local
// time of day for point times and status lines.
class Clock
{
public:
    virtual ~Clock() = default;
    // Seconds since an arbitrary origin, with sub-second resolution; never goes back.
    virtual double elapsedSeconds() const = 0;
    // Local time of day.
    virtual QTime timeOfDay() const = 0;
    // Local date and time with milliseconds and the UTC offset in force: for recorded readings,
    // whose time of day must agree with timeOfDay().
    virtual QDateTime now() const = 0;
};
