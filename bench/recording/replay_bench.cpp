// Prints figures for a full day at the line's full rate (6.4 million records): how long the
// chart's export takes, how long reading the file back takes, and the memory the chart holds
// afterwards against the same day streamed live. Each measurement runs in a process of its own,
// so resident memory is not shared between them. Run headless:
//     QT_QPA_PLATFORM=offscreen replay_bench [FOLDER]
// FOLDER (default: a temporary one) receives the exported day, about 280 MB, removed at the end.
#include "platform/display/StripChartWidget.h"
#include "platform/runtime/SystemClock.h"
#include "recording/ChartExport.h"
#include "recording/JobProgress.h"
#include "recording/RecordingReader.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <thread>
#include <time.h>

namespace
{

constexpr long long FullDay = 6'400'000;
constexpr double RecordsPerSecond = FullDay / 86400.0;

// Resident memory of this process, in MiB.
// CPU seconds the calling thread has used: the machine may be busy with other work, and the
// wall time then says more about it than about the code.
double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// Two decimals, as the device sends them: a slowly drifting mast with a little jitter.
double hundredths(double v)
{
    return std::round(v * 100) / 100;
}

// The day as the live display plots it: a point per trace per record, X in whole seconds.
void streamDay(StripChartWidget &chart)
{
    for (long long i = 0; i < FullDay; ++i) {
        const int second = int(double(i) / RecordsPerSecond);
        const double x = double(second) / 86400.0;
        const double jitter = double((i * 7919) % 101) * 0.01 - 0.5;
        chart.AddPoint(0, x, hundredths(30 * std::sin(x * 2 * M_PI * 8) + jitter));
        chart.AddPoint(1, x, hundredths(180 + 120 * std::sin(x * 2 * M_PI * 3) + 3 * jitter));
    }
}

int live()
{
    const double before = residentMiB();
    SystemClock clock;
    StripChartWidget chart{clock};
    streamDay(chart);
    std::printf("live %.1f %.1f\n", before, residentMiB());
    return 0;
}

int exportDay(const QString &path)
{
    SystemClock clock;
    StripChartWidget chart{clock};
    streamDay(chart);
    QElapsedTimer timer;
    timer.start();
    // What the GUI thread does: take the snapshot. The rest runs on a worker.
    ChartExport::Points points = chart.store().snapshot();
    const double snapshotMs = double(timer.nsecsElapsed()) / 1e6;
    ChartExport::Result result;
    JobProgress progress;
    double cpu = 0;
    std::thread worker([&] {
        result = ChartExport::save(points, chart.store().offsets(), path, progress);
        cpu = threadCpuSeconds();
    });
    worker.join();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (result.status != ChartExport::Result::Status::Written) {
        std::fprintf(stderr, "export failed: %s\n", qPrintable(result.error));
        return 1;
    }
    std::printf("export %.3f %.2f %lld %lld %.3f\n", seconds, snapshotMs, result.rows,
                QFileInfo(path).size(), cpu);
    return 0;
}

int loadDay(const QString &path)
{
    const double before = residentMiB();
    SystemClock clock;
    StripChartWidget chart{clock};
    QElapsedTimer timer;
    timer.start();
    // As the program does: a store of its own built on a worker, then handed to the chart.
    auto store = std::make_unique<ChartStore>();
    RecordingLoad result;
    JobProgress progress;
    double cpu = 0;
    std::thread worker([&] {
        result = RecordingReader::load(path, *store, progress);
        cpu = threadCpuSeconds();
    });
    worker.join();
    chart.takeStore(*store);
    store.reset();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (result.status != RecordingLoad::Status::Loaded) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(result.reason));
        return 1;
    }
    QCoreApplication::processEvents();
    std::printf("load %.3f %lld %lld %.1f %.1f %.3f\n", seconds, result.readings, result.badRows,
                before, residentMiB(), cpu);
    return 0;
}

QList<QByteArray> runSelf(const QStringList &arguments)
{
    QProcess self;
    self.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    self.start(QCoreApplication::applicationFilePath(), arguments);
    if (!self.waitForFinished(-1) || self.exitCode() != 0)
        return {};
    return self.readAllStandardOutput().trimmed().split(' ');
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 2 && args[1] == QLatin1String("--live"))
        return live();
    if (args.size() >= 3 && args[1] == QLatin1String("--export"))
        return exportDay(args[2]);
    if (args.size() >= 3 && args[1] == QLatin1String("--load"))
        return loadDay(args[2]);

    QTemporaryDir temporary;
    const QString folder = args.size() >= 2 ? args[1] : temporary.path();
    const QString path = QDir(folder).filePath(QStringLiteral("replay-bench-day.csv"));
    std::printf("A full day: %lld records, two traces, %d cores\n", FullDay,
                int(std::thread::hardware_concurrency()));

    const QList<QByteArray> exported = runSelf({QStringLiteral("--export"), path});
    const QList<QByteArray> loaded = runSelf({QStringLiteral("--load"), path});
    const QList<QByteArray> streamed = runSelf({QStringLiteral("--live")});
    QFile::remove(path);
    if (exported.size() < 6 || loaded.size() < 7 || streamed.size() < 3) {
        std::fprintf(stderr, "a measurement failed\n");
        return 1;
    }
    std::printf("export:  %.2f s (worker CPU %.2f s) for %lld rows, %.1f MB; snapshot on the "
                "GUI thread %.1f ms\n",
                exported[1].toDouble(), exported[5].toDouble(), exported[3].toLongLong(),
                exported[4].toDouble() / 1e6, exported[2].toDouble());
    std::printf("load:    %.2f s (worker CPU %.2f s) for %lld readings (%lld bad rows)\n",
                loaded[1].toDouble(), loaded[6].toDouble(), loaded[2].toLongLong(),
                loaded[3].toLongLong());
    const double liveGrowth = streamed[2].toDouble() - streamed[1].toDouble();
    const double loadGrowth = loaded[5].toDouble() - loaded[4].toDouble();
    std::printf("memory:  streamed live %.1f MiB resident (%.1f MiB for the points), "
                "loaded %.1f MiB (%.1f MiB): %+.1f %% of live overall, %+.1f %% for the "
                "points\n",
                streamed[2].toDouble(), liveGrowth, loaded[5].toDouble(), loadGrowth,
                100.0 * (loaded[5].toDouble() / streamed[2].toDouble() - 1),
                100.0 * (loadGrowth / liveGrowth - 1));
    return 0;
}
