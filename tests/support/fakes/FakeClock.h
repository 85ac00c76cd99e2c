#pragma once

#include "platform/runtime/Clock.h"

#include <QTimeZone>

// A clock that moves only when the test says so. Its local time has a fixed UTC offset, so a
// test reads the same dates and times whatever zone the machine is in.
class FakeClock final : public Clock
{
public:
    double elapsedSeconds() const override { return elapsed; }
    QTime timeOfDay() const override { return time; }
    QDateTime now() const override { return QDateTime(date, time, QTimeZone(utcOffsetSeconds)); }

    // Moves forward (less than a day at a time); the date turns at midnight.
    void advance(double seconds)
    {
        elapsed += seconds;
        const int before = time.msecsSinceStartOfDay();
        time = time.addMSecs(qRound64(seconds * 1000.0));
        if (seconds > 0 && time.msecsSinceStartOfDay() < before)
            date = date.addDays(1);
    }

    double elapsed = 1000.0;
    QTime time = QTime(12, 0, 0);
    QDate date = QDate(2026, 12, 7);
    int utcOffsetSeconds = 3600;
};
