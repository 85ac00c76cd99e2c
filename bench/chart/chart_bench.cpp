// Prints figures for the strip chart: how fast points are stored, what a day of them costs in
// memory, how long a picture takes at the main window's size, and how often the chart redraws
// while points stream in. Run headless: QT_QPA_PLATFORM=offscreen chart_bench
#include "chartdata/ChartStore.h"
#include "platform/display/StripChartWidget.h"
#include "platform/runtime/SystemClock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{

constexpr long long FullDay = 6'400'000; // records in 24 h at the line's full rate
constexpr double RecordsPerSecond = FullDay / 86400.0;

double timeOfRecord(long long i)
{
    return static_cast<double>(static_cast<long long>(i / RecordsPerSecond)) / 86400.0;
}

// The worst case for drawing: a sawtooth over the whole scale every 24 s, so every column of a
// day's view is a full-height bar. The "mast" signal drifts slowly with a little jitter, as a
// real mast does.
enum class Signal { Sawtooth, Mast };

template <typename Sink>
void fill(Sink &&add, long long from, long long to, Signal signal = Signal::Sawtooth)
{
    for (long long i = from; i < to; ++i) {
        const double x = timeOfRecord(i);
        if (signal == Signal::Sawtooth) {
            add(0, x, static_cast<double>(i % 1800) * 0.1 - 90);
            add(1, x, static_cast<double>(i % 3600) * 0.1);
        } else {
            const double jitter = static_cast<double>((i * 7919) % 101) * 0.01 - 0.5;
            add(0, x, 30 * std::sin(x * 2 * M_PI * 8) + jitter);
            add(1, x, 180 + 120 * std::sin(x * 2 * M_PI * 3) + 3 * jitter);
        }
    }
}

// Nanoseconds per record for appending a batch to a store that already holds `held`.
double appendCost(long long held)
{
    constexpr long long Batch = 1'000'000;
    double best = 1e300;
    for (int round = 0; round < 3; ++round) {
        ChartStore store;
        fill([&](int t, double x, double y) { store.append(t, x, y); }, 0, held);
        QElapsedTimer timer;
        timer.start();
        fill([&](int t, double x, double y) { store.append(t, x, y); }, held, held + Batch);
        best = std::min(best, double(timer.nsecsElapsed()) / Batch);
    }
    return best;
}

// This thread's processor time in nanoseconds: other work on a shared machine does not count.
double threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

// Median milliseconds of processor time for one picture (replot and grab) of the chart's view.
double frameTime(StripChartWidget &chart, bool wholeDay)
{
    std::vector<double> times;
    for (int i = 0; i < 41; ++i) {
        const double start = threadCpuNs();
        if (wholeDay)
            chart.setTimeRange(0, 1);
        else
            chart.setFollowing(true);
        chart.flush();
        const QPixmap picture = chart.grab();
        times.push_back((threadCpuNs() - start) / 1e6);
        QCoreApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Frames {
    double lastMinute;
    double wholeDay;
};

Frames framesWith(long long records, Signal signal)
{
    SystemClock clock;
    StripChartWidget chart{clock};
    chart.resize(400, 350);
    chart.setChartMode(2);
    chart.setTimeScale(1.0 / 1440);
    chart.show();
    fill([&](int t, double x, double y) { chart.AddPoint(static_cast<short>(t), x, y); }, 0,
         records, signal);
    chart.setCursorX(timeOfRecord(records / 2));
    QCoreApplication::processEvents();
    return {frameTime(chart, false), frameTime(chart, true)};
}

double repaintsPerSecond(double pointsPerSecond, int milliseconds)
{
    SystemClock systemClock;
    StripChartWidget chart{systemClock};
    chart.resize(400, 350);
    chart.show();
    QCoreApplication::processEvents();
    const long long before = chart.replotCount();
    long long added = 0;
    QElapsedTimer clock;
    clock.start();
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        // Points as a stream at the given rate would have brought them by now, two per record.
        const auto due = static_cast<long long>(clock.elapsed() * pointsPerSecond / 1000 / 2);
        for (; added < due; ++added) {
            const double x = 0.5 + double(added / 37) / 86400.0;
            chart.AddPoint(0, x, double(added % 180) - 90);
            chart.AddPoint(1, x, double(added % 360));
        }
    });
    feeder.start(2);
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    feeder.stop();
    return double(chart.replotCount() - before) * 1000.0 / double(clock.elapsed());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    const double costSmall = appendCost(1'000);
    const double costLarge = appendCost(FullDay);
    std::printf("append, 1,000 records held:          %8.0f ns/record  %12.0f records/s\n",
                costSmall, 1e9 / costSmall);
    std::printf("append, 6.4 million records held:    %8.0f ns/record  %12.0f records/s\n",
                costLarge, 1e9 / costLarge);
    std::printf("append cost ratio (6.4M / 1,000):    %8.2f   (target <= 1.2)\n",
                costLarge / costSmall);

    {
        ChartStore store;
        fill([&](int t, double x, double y) { store.append(t, x, y); }, 0, FullDay);
        std::printf(
            "memory at 6.4 million records:       %8.2f bytes/record (target <= 24), %.1f MB\n",
            double(store.memoryBytes()) / FullDay, double(store.memoryBytes()) / 1e6);
    }

    for (const Signal signal : {Signal::Sawtooth, Signal::Mast}) {
        const char *name = signal == Signal::Sawtooth ? "full-scale sawtooth" : "drifting mast";
        const Frames small = framesWith(1'000, signal);
        const Frames large = framesWith(FullDay, signal);
        std::printf("frame 400x350, %s, last minute:  1,000: %6.2f ms  6.4M: %6.2f ms  "
                    "ratio %5.2f (target <= 1.5)\n",
                    name, small.lastMinute, large.lastMinute, large.lastMinute / small.lastMinute);
        std::printf("frame 400x350, %s, whole day:    1,000: %6.2f ms  6.4M: %6.2f ms  "
                    "ratio %5.2f (target <= 2)\n",
                    name, small.wholeDay, large.wholeDay, large.wholeDay / small.wholeDay);
    }

    std::printf("repaints per second with 100,000 points/s arriving: %.1f (target <= 30)\n",
                repaintsPerSecond(100'000, 3000));
    return 0;
}
