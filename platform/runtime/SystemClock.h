#pragma once

#include "platform/runtime/Clock.h"

#include <QElapsedTimer>

// The computer's clocks: a monotonic timer for waits, the local time of day for everything shown.
class SystemClock final : public Clock
{
public:
    SystemClock() { timer_.start(); }
    double elapsedSeconds() const override { return double(timer_.nsecsElapsed()) / 1e9; }
    QTime timeOfDay() const override { return QTime::currentTime(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }

private:
    QElapsedTimer timer_;
};
