#pragma once

#include "platform/runtime/Clock.h"

// A clock that moves only when the test says so.
class FakeClock final : public Clock
{
public:
    double elapsedSeconds() const override { return elapsed; }
    QTime timeOfDay() const override { return time; }

    void advance(double seconds)
    {
        elapsed += seconds;
        time = time.addMSecs(qRound64(seconds * 1000.0));
    }

    double elapsed = 1000.0;
    QTime time = QTime(12, 0, 0);
};
