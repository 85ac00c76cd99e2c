// Prints what orvel-logger costs on the machine it runs on:
//   1. at the line's full rate (the simulator back to back at 9600 baud, byte by byte and in
//      the 16 ms batches of a USB adapter's latency timer), publishing to the system's broker
//      and recording: processor (% of one core) and resident memory, read from /proc for
//      SECONDS of real time (default 60);
//   2. the station's chain (recorder off, alarm rules and watchdog on, a publisher whose broker
//      never answers, so its queue fills to its bound) fed two simulated days of readings at
//      the line's rate with a fake clock, as fast as it goes: resident memory every simulated
//      hour.
//
//     logger_bench [SECONDS]
#include "FakeClock.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "MosquittoBroker.h"
#include "ProcessTime.h"
#include "SimulatorProcess.h"
#include "monitor/PortResumer.h"
#include "publish/MqttPublisher.h"
#include "recording/Recorder.h"
#include "station/Station.h"
#include "watch/Watchman.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

// Processor ticks (user and system) a process has used.
qint64 cpuTicks(qint64 pid)
{
    QFile file(u"/proc/%1/stat"_s.arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // The fields after the command's name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return fields.at(11).toLongLong() + fields.at(12).toLongLong(); // utime, stime
}

// Resident memory in MB.
double residentMb(qint64 pid)
{
    QFile file(u"/proc/%1/status"_s.arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

void fullRate(int seconds, int batchMs)
{
    qputenv("ORVEL_SIM", ORVEL_SIM_PATH);
    MosquittoBroker broker;
    const bool publishing = broker.start();
    if (!publishing)
        std::printf("no broker (%s): measured without publishing\n",
                    qPrintable(broker.errorString()));
    SimulatorProcess sim;
    // Byte by byte at the line's pace, or in the batches a USB adapter delivers.
    QStringList simOptions;
    if (batchMs > 0)
        simOptions << u"--batch"_s << QString::number(batchMs);
    if (!sim.start(simOptions)) {
        std::printf("simulator: %s\n", qPrintable(sim.errorString()));
        return;
    }
    QTemporaryDir dir;
    QStringList arguments = {u"--port"_s, sim.ptyPath(), u"--record-dir"_s, dir.path()};
    if (publishing)
        arguments << u"--mqtt"_s << broker.url() << u"--mqtt-topic"_s << u"orvel/bench/mast"_s;
    QProcess logger;
    logger.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    logger.start(QStringLiteral(ORVEL_LOGGER), arguments);
    if (!logger.waitForStarted(10000)) {
        std::printf("orvel-logger did not start\n");
        return;
    }
    const qint64 pid = logger.processId();
    runEventLoop(3000); // past the start
    const qint64 ticksBefore = cpuTicks(pid);
    QElapsedTimer wall;
    wall.start();
    double peakMb = 0;
    for (int s = 0; s < seconds; ++s) {
        runEventLoop(1000);
        peakMb = qMax(peakMb, residentMb(pid));
    }
    const qint64 ticks = cpuTicks(pid) - ticksBefore;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    const double percent = 100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / elapsed;
    const QByteArray how = batchMs > 0
                               ? QByteArray("in " + QByteArray::number(batchMs) + " ms batches")
                               : QByteArray("byte by byte");
    std::printf("full line rate (%s), %s, %.0f s: cpu %.2f %% of one core (target <= 0.5 %%), "
                "resident %.1f MB now, %.1f MB peak (target <= 24 MB)\n",
                how.constData(), publishing ? "recording and publishing" : "recording", elapsed,
                percent, residentMb(pid), peakMb);
    std::fflush(stdout);
    logger.terminate();
    logger.waitForFinished(10000);
}

void twoDays()
{
    FakeClock clock;
    FakePrompts prompts;
    FakeSerialControl port;
    Recorder::Options options;
    options.enabledThisRun = false;
    Recorder recorder(prompts, options);
    Station station({port, clock, recorder, [](short) { return PortIdentity{}; }, [] {}});
    MonitoringSettings settings;
    settings.elevation = {true, -5, 5};
    settings.azimuth = {true, 350, 10};
    station.setSettings(settings);
    PublisherSettings publishing;
    publishing.broker.host = u"127.0.0.1"_s;
    publishing.broker.port = 1; // nobody listens: the queue fills to its bound
    publishing.topicPrefix = u"orvel/bench/mast"_s;
    MqttPublisher publisher(publishing);
    station.setPublisher(&publisher);
    station.streamStarted();

    constexpr int PerSecond = 74; // the line's full rate
    const double start = residentMb(QCoreApplication::applicationPid());
    double highest = start;
    std::printf("two simulated days at %d readings a second; resident MB every hour:\n", PerSecond);
    QElapsedTimer wall;
    wall.start();
    int n = 0;
    for (int hour = 1; hour <= 48; ++hour) {
        for (int second = 0; second < 3600; ++second) {
            for (int i = 0; i < PerSecond; ++i, ++n) {
                clock.advance(1.0 / PerSecond);
                const QDateTime now = clock.now();
                // A slow sway that crosses the elevation limit now and then.
                const double elevation = 6.0 * std::sin(n * 1e-4);
                station.sink().readingAccepted(
                    {now.toMSecsSinceEpoch(), now.offsetFromUtc(), elevation, 0.5});
            }
            station.watchman().check();
        }
        QCoreApplication::processEvents();
        const double mb = residentMb(QCoreApplication::applicationPid());
        highest = qMax(highest, mb);
        std::printf(" %.1f", mb);
        std::fflush(stdout);
    }
    station.streamEnded();
    station.setPublisher(nullptr);
    std::printf("\n%d readings in %.1f s: resident %.1f MB after the first hour's start, "
                "%.1f MB highest, growth %.1f MB\n",
                n, double(wall.elapsed()) / 1000.0, start, highest, highest - start);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QByteArray(argv[1]).toInt() : 60;
    fullRate(seconds > 0 ? seconds : 60, 0);
    fullRate(seconds > 0 ? seconds : 60, 16);
    twoDays();
    return 0;
}
