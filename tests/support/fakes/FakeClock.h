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
    QDateTime now() const override
    {
        // Making a zone costs more than the rest of a received line's handling, and the receive
        // handler asks for the time on every line: the usual offset's zone is made once.
        static const QTimeZone usualZone(UsualUtcOffset);
        return QDateTime(date, time,
                         utcOffsetSeconds == UsualUtcOffset ? usualZone
                                                            : QTimeZone(utcOffsetSeconds));
    }

    // Moves forward (less than a day at a time); the date turns at midnight.
    void advance(double seconds) { advance(seconds, 1); }
    // The same as `times` calls of advance(seconds), less than a day in all, in one.
    void advance(double seconds, int times)
    {
        for (int i = 0; i < times; ++i)
            elapsed += seconds;
        const int before = time.msecsSinceStartOfDay();
        time = time.addMSecs(qRound64(seconds * 1000.0) * times);
        if (seconds > 0 && times > 0 && time.msecsSinceStartOfDay() < before)
            date = date.addDays(1);
    }

    double elapsed = 1000.0;
    QTime time = QTime(12, 0, 0);
    QDate date = QDate(2026, 12, 7);
    static constexpr int UsualUtcOffset = 3600;
    int utcOffsetSeconds = UsualUtcOffset;
};
