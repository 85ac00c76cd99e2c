// The real program offscreen, streaming from the device simulator at the full 9600-baud line
// rate: prints the processor time it uses, how far the display ever falls behind, and the
// processor time of a command wait against a silent device.
//
//     stream_cpu_bench [seconds]     (ORVEL_SIM names the simulator; default 60 s per run)
#include "ProgramRig.h"
#include "device/CommandTransaction.h"
#include "recording/Recorder.h"

#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace
{

struct StreamFigures {
    double cpuPercent;
    quint64 records;
    qsizetype maxWaitingBytes;
    qint64 maxLoopDelayMs;
};

StreamFigures stream(int seconds, bool preloadDay, bool recording = false)
{
    SimulatorProcess sim;
    if (!sim.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        std::exit(1);
    }
    ProgramRig rig;
    // Recording into a temporary folder, its writer thread's processor time counted too.
    QTemporaryDir folder;
    std::unique_ptr<Recorder> recorder;
    if (recording) {
        recorder = std::make_unique<Recorder>(rig.prompts, Recorder::Options{folder.path()});
        rig.window.monitor().setReadingSink(recorder.get());
    }
    rig.window.mnuStart->trigger();
    if (preloadDay) {
        // 24 h at the line's rate, ending just before now, loaded after Start cleared the chart.
        const QTime now = QTime::currentTime();
        const int nowSeconds = now.msecsSinceStartOfDay() / 1000;
        for (qint64 i = 0; i < 6'400'000; ++i) {
            const int second = int((nowSeconds + i * 86400 / 6'400'000) % 86400);
            const double x = second / 86400.0;
            rig.window.Strip1->AddPoint(0, x, -45.0 + (i % 9000) / 100.0);
            rig.window.Strip1->AddPoint(1, x, (i % 36000) / 100.0);
        }
    }
    const quint64 before = rig.records();
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    qsizetype maxWaiting = 0;
    qint64 maxDelay = 0;
    QElapsedTimer tick;
    tick.start();
    QTimer sampler;
    sampler.setInterval(50);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        maxDelay = std::max(maxDelay, tick.restart() - 50);
        maxWaiting = std::max(maxWaiting, qsizetype(rig.port.InBufferCount()) +
                                              rig.window.monitor().receiveBuffer().size());
    });
    sampler.start();
    while (wall.elapsed() < seconds * 1000)
        QTest::qWait(100);
    const double cpu = cpuSeconds() - cpu0;
    const double elapsed = wall.elapsed() / 1000.0;
    rig.window.mnuStop->trigger();
    rig.window.monitor().setReadingSink(nullptr);
    return {100.0 * cpu / elapsed, rig.records() - before, maxWaiting, maxDelay};
}

// Processor time a recorded reading costs, both threads, from the hand-over to the system write.
double recordingMicrosecondsPerReading()
{
    constexpr int Count = 200'000;
    QTemporaryDir folder;
    MessageBoxPrompts prompts;
    Recorder recorder(prompts, Recorder::Options{folder.path()});
    const QDateTime start = QDateTime::currentDateTime();
    const double cpu0 = cpuSeconds();
    for (int i = 0; i < Count; ++i) {
        const qint64 ms = start.toMSecsSinceEpoch() + i * 13;
        recorder.readingAccepted(
            {ms, start.offsetFromUtc(), -45.0 + (i % 9000) / 100.0, (i % 36000) / 100.0});
        if (i % 1000 == 999)
            QCoreApplication::processEvents();
    }
    while (recorder.writtenReadings() + recorder.lostReadings() < Count)
        QTest::qWait(5);
    return (cpuSeconds() - cpu0) * 1e6 / Count;
}

double silentWaitCpu()
{
    SimulatorProcess sim;
    if (!sim.start({QStringLiteral("--silent")}))
        std::exit(1);
    ProgramRig rig;
    rig.port.setCommPort(1);
    rig.port.setPortOpen(true);
    CommandTransaction transaction(rig.port, rig.wait, rig.clock);
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const QString reply = transaction.SendCommand(QStringLiteral("!RANGE?"));
    const double cpu = cpuSeconds() - cpu0;
    std::printf("  reply %s after %.3f s\n", qPrintable(reply), wall.elapsed() / 1000.0);
    rig.port.setPortOpen(false);
    return 100.0 * cpu / (wall.elapsed() / 1000.0);
}

void print(const char *what, const StreamFigures &f)
{
    std::printf("%s\n", what);
    std::printf("  processor: %.2f %% of one core (target <= 5 %%)\n", f.cpuPercent);
    std::printf("  records shown: %llu\n", static_cast<unsigned long long>(f.records));
    std::printf("  most bytes ever waiting: %lld (%.0f ms of line time; target <= 50 ms)\n",
                static_cast<long long>(f.maxWaitingBytes), f.maxWaitingBytes * 1.0417);
    std::printf("  longest event-loop delay: %lld ms\n", static_cast<long long>(f.maxLoopDelayMs));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    std::printf("streaming at the full 9600-baud line rate for %d s, offscreen\n", seconds);
    const StreamFigures plain = stream(seconds, false);
    print("empty chart:", plain);
    const StreamFigures recorded = stream(seconds, false, true);
    print("empty chart, recording every record to disk:", recorded);
    std::printf("  recording adds: %.2f %% of one core (target <= 0.3 %%)\n",
                recorded.cpuPercent - plain.cpuPercent);
    const double perReading = recordingMicrosecondsPerReading();
    std::printf("  recording alone: %.2f us a reading, %.3f %% of one core at 74 records/s\n",
                perReading, perReading * 74 / 1e4);
    print("24 h of history preloaded (6.4 million records):", stream(seconds, true));
    std::printf("command wait against a silent device:\n");
    std::printf("  processor: %.2f %% of one core during the wait\n", silentWaitCpu());
    return 0;
}
