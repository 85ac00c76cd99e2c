#pragma once

#include "platform/runtime/Clock.h"

#include <QElapsedTimer>

// The computer's clocks: a monotonic timer for waits, the local time of day for everything shown.
// For one thread.
class SystemClock final : public Clock
{
public:
    SystemClock() { timer_.start(); }
    double elapsedSeconds() const override { return double(timer_.nsecsElapsed()) / 1e9; }
    QTime timeOfDay() const override { return QTime::currentTime(); }
    // With the UTC offset of the current second: a local time from the C library checks the
    // time zone file on every call, and the stream asks for one with every record.
    QDateTime now() const override;

private:
    QElapsedTimer timer_;
    mutable qint64 offsetSecond_ = -1;
    mutable int offset_ = 0;
};
