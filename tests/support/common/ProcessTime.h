#pragma once

#include <QEventLoop>
#include <QTimer>
#include <sys/resource.h>

// What the program's own processing costs, as tests and benchmarks measure it.

// Processor time this process has used, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Times the calling thread gave up the processor to wait: each is a wake-up of its event loop.
inline long eventLoopWakeups()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// Runs the event loop as the program does, sleeping until something happens (QTest::qWait
// wakes every few milliseconds and adds work of its own).
inline void runEventLoop(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}
