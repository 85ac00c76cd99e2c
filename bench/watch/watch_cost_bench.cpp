// Watching cost benchmark: the alarm rules and the watchdog as the stream feeds them at the line's
// full rate (74 records a second, a check every 250 ms), both limits and the watchdog on, on the
// real clock. Prints the processor time a reading costs with and without them, and the share of
// one core that adds at the full rate.
#include "platform/runtime/SystemClock.h"
#include "watch/Watchman.h"

#include <QCoreApplication>

#include <cmath>
#include <cstdio>
#include <ctime>

namespace
{

constexpr double LineRate = 74;      // records a second at 9600 baud
constexpr int ReadingsPerCheck = 18; // 250 ms at the line rate
constexpr qint64 Readings = 4'000'000;

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// A swaying mast: the elevation crosses its high limit now and then, the azimuth wanders across
// north and out of its band.
Reading reading(qint64 i)
{
    const double phase = double(i) * 0.001;
    return {1'765'000'000'000 + i * 13, 3600, 4.6 + 0.8 * std::sin(phase),
            std::fmod(360.0 + 12.0 * std::sin(phase * 0.7), 360.0)};
}

struct Run {
    double seconds;
    qint64 events;
};

// Feeds every reading to the sink (nullptr: the loop alone, the same readings made).
Run feed(Watchman *watchman, ReadingSink *sink)
{
    qint64 events = 0;
    if (watchman)
        QObject::connect(watchman, &Watchman::eventRaised, [&events] { ++events; });
    volatile double keep = 0;
    const double start = threadCpuSeconds();
    for (qint64 i = 0; i < Readings; ++i) {
        const Reading r = reading(i);
        if (sink)
            sink->readingAccepted(r);
        else
            keep = keep + r.elevation;
        if (watchman && i % ReadingsPerCheck == 0)
            watchman->check();
    }
    return {threadCpuSeconds() - start, events};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    SystemClock clock;
    MonitoringSettings settings;
    settings.elevation = {true, -2, 5};
    settings.azimuth = {true, 350, 10};
    settings.holdSeconds = 0; // the clock runs faster than the readings' own times here
    Watchman watchman(clock);
    watchman.setSettings(settings);
    watchman.streamStarted(QStringLiteral("bench"));

    const Run without = feed(nullptr, nullptr);
    const Run with = feed(&watchman, &watchman);
    const double perReadingWithout = without.seconds / double(Readings) * 1e9;
    const double perReadingWith = with.seconds / double(Readings) * 1e9;
    const double added = (perReadingWith - perReadingWithout) * 1e-9 * LineRate * 100;
    std::printf("alarm rules and watchdog, both limits and the watchdog on, %lld readings\n",
                static_cast<long long>(Readings));
    std::printf("  without: %.1f ns a reading\n", perReadingWithout);
    std::printf("  with:    %.1f ns a reading (%lld events raised)\n", perReadingWith,
                static_cast<long long>(with.events));
    std::printf("  added at %.0f records a second: %.5f %% of one core (target <= 0.05 %%)\n",
                LineRate, added);
    return 0;
}
