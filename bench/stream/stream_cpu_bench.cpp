// The real program (the Program main() runs) offscreen, streaming from the device simulator: prints
// the processor time it uses (this process's own time, so other work on the machine does not count)
// at the full 9600-baud line rate with an empty chart and with a day preloaded, beside the same run
// with painting switched off (the window hidden: the floor the data itself costs), at 10 records a
// second, with the port open and no data; how long a record takes to reach the needle, how often
// the chart draws while following a steady signal, and the processor time of a command wait
// against a silent device.
//
//     stream_cpu_bench [seconds] [--on-screen]
//     stream_cpu_bench --only full|floor seconds [-- simulator options]
//
// ORVEL_SIM names the simulator; default 30 s per run. --on-screen runs only the full-rate row
// on the platform the environment names (xvfb-run: a real X11 window) instead of offscreen.
#include "ProgramRig.h"
#include "TransactionRig.h"
#include "platform/display/GaugeWidget.h"
#include "recording/Recorder.h"

#include <QCommandLineParser>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>

namespace
{

struct StreamFigures {
    double cpuPercent;
    quint64 records;
    qsizetype maxWaitingBytes;
    qint64 maxLoopDelayMs;
    bool sampled; // the two above were measured
    double chartFramesPerSecond = 0;
    double gaugePaintsPerSecond = 0;
    double medianNeedleDelayMs = -1;
    double maxNeedleDelayMs = -1; // < 0: nothing painted
    double wakeupsPerSecond = 0;  // the user interface thread's sleeps that ended
    double receiveEventsPerSecond = 0;
    double paintPassesPerSecond = 0;
    double paintPassMicroseconds = 0;
    double gaugePaintMicroseconds = 0;
    double chartPaintMicroseconds = 0;
};

// How a run is set up.
struct StreamRun {
    static StreamRun fullRate() { return {}; }
    static StreamRun withSim(QStringList options)
    {
        StreamRun run;
        run.sample = options.contains(QStringLiteral("--stamp"));
        run.simOptions = std::move(options);
        return run;
    }

    QStringList simOptions;  // e.g. --rate 10, --record 12.50,180.00
    bool preloadDay = false; // 24 h in the chart before the run
    bool painting = true;    // false: the window is hidden, nothing is drawn
    // A timer of the bench's own, 20 times a second, for the longest backlog and event-loop delay.
    // Its wake-ups cost about 0.2 % of a core, so only the stamped rows sample; the others
    // measure the program alone.
    bool sample = false;
    bool recording = false; // every record also recorded to disk
};

// Watches the elevation gauge while the simulator stamps each record with the time its last byte
// is due on the line (--stamp): counts the gauge's paints and measures, for every record, the
// time from its arrival on the line until the needle shows it or a newer one. It sees every
// record as the receive handler accepts it, and hands it on to the recorder when one is set.
class NeedleWatch : public QObject, public ReadingSink
{
public:
    NeedleWatch(GaugeWidget &gauge, ReadingSink *next, bool stamped)
        : gauge_(gauge), next_(next), stamped_(stamped)
    {
        gauge.installEventFilter(this);
    }

    void readingAccepted(const Reading &reading) override
    {
        if (stamped_ && std::isfinite(reading.elevation))
            waiting_.push_back(reading.elevation);
        if (next_)
            next_->readingAccepted(reading);
    }

    long long paints = 0;
    std::vector<double> delaysMs;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != &gauge_ || event->type() != QEvent::Paint)
            return false;
        ++paints;
        // Every record up to the one the needle now shows has reached it (stamps rise, but
        // wrap round once a minute).
        const auto shown = std::find(waiting_.begin(), waiting_.end(), gauge_.shownValue());
        if (shown == waiting_.end())
            return false;
        QElapsedTimer monotonic;
        monotonic.start();
        const qint64 now = monotonic.msecsSinceReference() % 60000;
        // The stamp is a due time in whole milliseconds: a paint within a millisecond of it may
        // read as slightly before it, which counts as no delay.
        for (auto it = waiting_.begin(); it <= shown; ++it) {
            const qint64 delay = (now - std::llround(*it * 10) + 90000) % 60000 - 30000;
            delaysMs.push_back(double(std::max<qint64>(0, delay)));
        }
        waiting_.erase(waiting_.begin(), shown + 1);
        return false;
    }

private:
    GaugeWidget &gauge_;
    ReadingSink *next_;
    bool stamped_;
    std::deque<double> waiting_;
};

// Times a widget's events of one type by running each itself: the window's update requests (a
// paint pass: every widget repainted in one update, and the hand-over of the picture), or one
// widget's paints.
class PaintTimer : public QObject
{
public:
    PaintTimer(QWidget &window, QEvent::Type type) : window_(window), type_(type)
    {
        window.installEventFilter(this);
    }
    double microseconds() const { return passes ? seconds * 1e6 / double(passes) : 0; }

    long long passes = 0;
    double seconds = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != &window_ || event->type() != type_ || inside_)
            return false;
        inside_ = true;
        QElapsedTimer timer;
        timer.start();
        static_cast<QObject &>(window_).event(event);
        seconds += timer.nsecsElapsed() / 1e9;
        ++passes;
        inside_ = false;
        return true;
    }

private:
    QWidget &window_;
    QEvent::Type type_;
    bool inside_ = false;
};

void preloadDay(StripChartWidget &chart)
{
    // 24 h at the line's rate, ending just before now, loaded after Start cleared the chart.
    const QTime now = QTime::currentTime();
    const int nowSeconds = now.msecsSinceStartOfDay() / 1000;
    for (qint64 i = 0; i < 6'400'000; ++i) {
        const int second = int((nowSeconds + i * 86400 / 6'400'000) % 86400);
        const double x = second / 86400.0;
        chart.AddPoint(0, x, -45.0 + (i % 9000) / 100.0);
        chart.AddPoint(1, x, (i % 36000) / 100.0);
    }
}

StreamFigures stream(int seconds, const StreamRun &run)
{
    SimulatorProcess sim;
    if (!sim.start(run.simOptions)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        std::exit(1);
    }
    ProgramRig rig;
    rig.boxes.stop();
    rig.ui.mnuStart->trigger();
    if (run.preloadDay)
        preloadDay(*rig.ui.Strip1);
    if (!run.painting)
        rig.window.hide();
    // The needle watch is installed last, so that it sees a paint before the timer runs it.
    PaintTimer painting(rig.window, QEvent::UpdateRequest);
    PaintTimer gaugePaint(*rig.ui.Elevation, QEvent::Paint);
    PaintTimer chartPaint(*rig.ui.Strip1->plot(), QEvent::Paint);
    // The program records into the rig's temporary folder, its writer thread's processor time
    // counted too, only in the recording run.
    NeedleWatch needle(*rig.ui.Elevation, run.recording ? &rig.program.recorder() : nullptr,
                       run.simOptions.contains(QStringLiteral("--stamp")));
    rig.window.monitor().setReadingSink(&needle);
    // Settle: the first picture after Start and the preload is not part of the steady state.
    runEventLoop(1000);
    for (PaintTimer *t : {&painting, &gaugePaint, &chartPaint}) {
        t->passes = 0;
        t->seconds = 0;
    }
    needle.paints = 0;
    needle.delaysMs.clear();

    const quint64 before = rig.records();
    const long long replotsBefore = rig.ui.Strip1->replotCount();
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    const long wakeups0 = eventLoopWakeups();
    long long receiveEvents = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&rig.port, &SerialControl::OnComm, [&] { ++receiveEvents; });
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
    if (run.sample)
        sampler.start();
    runEventLoop(seconds * 1000);
    const double cpu = cpuSeconds() - cpu0;
    const long wakeups = eventLoopWakeups() - wakeups0;
    const double elapsed = wall.elapsed() / 1000.0;
    StreamFigures f{100.0 * cpu / elapsed, rig.records() - before, maxWaiting, maxDelay,
                    run.sample};
    f.chartFramesPerSecond = double(rig.ui.Strip1->replotCount() - replotsBefore) / elapsed;
    f.gaugePaintsPerSecond = double(needle.paints) / elapsed;
    f.wakeupsPerSecond = double(wakeups) / elapsed;
    f.receiveEventsPerSecond = double(receiveEvents) / elapsed;
    QObject::disconnect(counting);
    f.paintPassesPerSecond = double(painting.passes) / elapsed;
    f.paintPassMicroseconds = painting.microseconds();
    f.gaugePaintMicroseconds = gaugePaint.microseconds();
    f.chartPaintMicroseconds = chartPaint.microseconds();
    if (!needle.delaysMs.empty()) {
        std::vector<double> &d = needle.delaysMs;
        std::sort(d.begin(), d.end());
        f.medianNeedleDelayMs = d[d.size() / 2];
        f.maxNeedleDelayMs = d.back();
    }
    rig.ui.mnuStop->trigger();
    rig.window.monitor().setReadingSink(nullptr);
    return f;
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
    TransactionRig rig;
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const QString reply = rig.transaction.SendCommand(QStringLiteral("!RANGE?"));
    const double cpu = cpuSeconds() - cpu0;
    std::printf("  reply %s after %.3f s\n", qPrintable(reply), wall.elapsed() / 1000.0);
    return 100.0 * cpu / (wall.elapsed() / 1000.0);
}

void print(const char *what, const StreamFigures &f, const char *target)
{
    std::printf("%s\n", what);
    std::printf("  processor: %.2f %% of one core (target %s)\n", f.cpuPercent, target);
    std::printf("  records shown: %llu; receive events: %.0f a second; event loop wake-ups: %.0f "
                "a second\n",
                static_cast<unsigned long long>(f.records), f.receiveEventsPerSecond,
                f.wakeupsPerSecond);
    std::printf("  chart frames: %.1f a second; elevation gauge paints: %.1f a second\n",
                f.chartFramesPerSecond, f.gaugePaintsPerSecond);
    std::printf("  window paint passes: %.1f a second, %.0f us each (a gauge's paint %.0f us, "
                "the chart's %.0f us)\n",
                f.paintPassesPerSecond, f.paintPassMicroseconds, f.gaugePaintMicroseconds,
                f.chartPaintMicroseconds);
    if (f.maxNeedleDelayMs >= 0)
        std::printf("  record on the line to needle: median %.1f ms, %.1f ms at most "
                    "(target <= 50 ms)\n",
                    f.medianNeedleDelayMs, f.maxNeedleDelayMs);
    if (!f.sampled)
        return;
    std::printf("  most bytes ever waiting: %lld (%.0f ms of line time; target <= 50 ms)\n",
                static_cast<long long>(f.maxWaitingBytes), f.maxWaitingBytes * 1.0417);
    std::printf("  longest event-loop delay: %lld ms\n", static_cast<long long>(f.maxLoopDelayMs));
}

} // namespace

int main(int argc, char *argv[])
{
    const bool onScreen =
        std::any_of(argv + 1, argv + argc, [](const char *a) { return !strcmp(a, "--on-screen"); });
    if (!onScreen)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("seconds"), QStringLiteral("Seconds per run."));
    parser.addOption({QStringLiteral("on-screen"), QStringLiteral("Full-rate row on screen.")});
    // One run alone, for a profiler: "full" or "floor", with the simulator's options after --.
    parser.addOption({QStringLiteral("only"), QStringLiteral("Run one row: full or floor."),
                      QStringLiteral("row")});
    parser.process(app);
    const QStringList positional = parser.positionalArguments();
    const int seconds = positional.isEmpty() ? 30 : std::max(1, positional.first().toInt());
    const QString platform = QGuiApplication::platformName();

    if (parser.isSet(QStringLiteral("only"))) {
        StreamRun run = StreamRun::withSim(positional.mid(1));
        run.painting = parser.value(QStringLiteral("only")) != QLatin1String("floor");
        print(qPrintable(parser.value(QStringLiteral("only")) + QLatin1Char(':')),
              stream(seconds, run), "-");
        return 0;
    }
    if (onScreen) {
        std::printf("streaming at the full 9600-baud line rate for %d s, platform %s\n", seconds,
                    qPrintable(platform));
        print("empty chart:", stream(seconds, StreamRun::fullRate()), "<= 1.5 %");
        return 0;
    }

    std::printf("%d s a run, platform %s; processor time is this process's own\n", seconds,
                qPrintable(platform));
    const StreamFigures full = stream(seconds, StreamRun::fullRate());
    print("full line rate, empty chart:", full, "<= 1.5 %");
    // The needle's delay, from the simulator's stamps: the elevation then runs up by more than
    // the readout's last digit with every record, so that each one is painted.
    print("full line rate, every record stamped with its time on the line:",
          stream(seconds, StreamRun::withSim({QStringLiteral("--stamp")})), "-");
    StreamRun hidden;
    hidden.painting = false;
    const StreamFigures floor = stream(seconds, hidden);
    print("full line rate, painting switched off (the floor):", floor, "-");
    std::printf("  full / floor: %.2f (target <= 2)\n", full.cpuPercent / floor.cpuPercent);
    StreamRun recordingRun;
    recordingRun.recording = true;
    const StreamFigures recorded = stream(seconds, recordingRun);
    print("full line rate, empty chart, recording every record to disk:", recorded, "-");
    std::printf("  recording adds: %.2f %% of one core (target <= 0.3 %%)\n",
                recorded.cpuPercent - full.cpuPercent);
    const double perReading = recordingMicrosecondsPerReading();
    std::printf("  recording alone: %.2f us a reading, %.3f %% of one core at 74 records/s\n",
                perReading, perReading * 74 / 1e4);
    StreamRun preloaded;
    preloaded.preloadDay = true;
    print("full line rate, 24 h preloaded (6.4 million records):", stream(seconds, preloaded),
          "<= 1.5 %");
    print("10 records a second:",
          stream(seconds, StreamRun::withSim({QStringLiteral("--rate"), QStringLiteral("10")})),
          "<= 0.5 %");
    print("port open, no data:", stream(seconds, StreamRun::withSim({QStringLiteral("--silent")})),
          "<= 0.1 %");
    const StreamFigures steady = stream(
        seconds, StreamRun::withSim({QStringLiteral("--record"), QStringLiteral("12.50,180.00")}));
    print("full line rate, steady signal, following at the one-minute span:", steady, "<= 1.5 %");
    std::printf("  chart frames while following: %.1f a second (target <= 8)\n",
                steady.chartFramesPerSecond);
    // A pseudo-terminal paced byte by byte wakes the program about 960 times a second; a USB
    // serial adapter hands on what its latency timer collected (16 ms by default), and a UART
    // interrupts once its receive FIFO fills. The same rows with the bytes arriving that way:
    const QStringList adapter{QStringLiteral("--batch"), QStringLiteral("16")};
    const StreamFigures adapterFull = stream(seconds, StreamRun::withSim(adapter));
    print("full line rate, bytes every 16 ms (USB adapter), empty chart:", adapterFull, "<= 1.5 %");
    StreamRun adapterHidden = StreamRun::withSim(adapter);
    adapterHidden.painting = false;
    const StreamFigures adapterFloor = stream(seconds, adapterHidden);
    print("the same, painting switched off (the floor):", adapterFloor, "-");
    std::printf("  full / floor: %.2f (target <= 2)\n",
                adapterFull.cpuPercent / adapterFloor.cpuPercent);
    print("the same, every record stamped with its time on the line:",
          stream(seconds, StreamRun::withSim(adapter + QStringList{QStringLiteral("--stamp")})),
          "-");
    StreamRun adapterPreloaded = StreamRun::withSim(adapter);
    adapterPreloaded.preloadDay = true;
    print("the same, 24 h preloaded:", stream(seconds, adapterPreloaded), "<= 1.5 %");
    print("10 records a second, bytes every 16 ms:",
          stream(seconds, StreamRun::withSim(adapter + QStringList{QStringLiteral("--rate"),
                                                                   QStringLiteral("10")})),
          "<= 0.5 %");
    std::printf("command wait against a silent device:\n");
    std::printf("  processor: %.2f %% of one core during the wait\n", silentWaitCpu());
    return 0;
}
