// The real program (the Program main() runs) offscreen against the device simulator: prints how
// long a device that comes back takes to reach the chart (from the simulator's terminal being
// there again to the first record after it drawn), and how long the alarm command takes to start
// after an alarm's hold time has run out.
//
//     watch_latency_bench [rounds]
//
// ORVEL_SIM names the simulator; default 5 rounds of each.
#include "ProgramRig.h"

#include "app/WatchWiring.h"
#include "monitor/PortResumer.h"
#include "platform/display/GaugeWidget.h"
#include "platform/display/StripChartWidget.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

// Waits, processing events, until the condition holds; false after timeoutMs.
template <typename Condition> bool waitFor(Condition condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

void printFigures(const char *what, QList<double> ms, const char *target)
{
    std::sort(ms.begin(), ms.end());
    if (ms.isEmpty()) {
        std::printf("%s: no measurement\n", what);
        return;
    }
    std::printf("%s: median %.0f ms, worst %.0f ms over %lld rounds (target %s)\n", what,
                ms.at(ms.size() / 2), ms.last(), static_cast<long long>(ms.size()), target);
}

// From the terminal's return to the first record after it on the chart's picture.
std::optional<double> resumeRound(ProgramRig &rig)
{
    SimulatorProcess first;
    if (!first.start({QStringLiteral("--rate"), QStringLiteral("20"),
                      QStringLiteral("--hangup-after"), QStringLiteral("1")}))
        return std::nullopt;
    rig.ui.mnuStart->trigger();
    if (!first.waitForExit(10000))
        return std::nullopt;
    if (!waitFor([&] { return rig.program.watch().resumer().retrying(); }, 5000))
        return std::nullopt;
    // Back at a random moment of the retry period.
    QElapsedTimer pause;
    pause.start();
    waitFor(
        [&] { return pause.elapsed() > 300 + qint64(QDateTime::currentMSecsSinceEpoch() % 1700); },
        3000);
    const quint64 before = rig.records();
    SimulatorProcess back;
    QElapsedTimer since;
    if (!back.start({QStringLiteral("--rate"), QStringLiteral("20")}))
        return std::nullopt;
    since.start();
    if (!waitFor([&] { return rig.records() > before; }, 10000))
        return std::nullopt;
    const long long replots = rig.ui.Strip1->replotCount();
    if (!waitFor([&] { return rig.ui.Strip1->replotCount() > replots; }, 5000))
        return std::nullopt;
    const double ms = since.nsecsElapsed() / 1e6;
    rig.ui.mnuStop->trigger();
    return ms;
}

// From the end of the hold time (the first reading beyond the limit, plus the hold) to the
// command's start (the time the command itself writes down).
std::optional<double> commandRound(ProgramRig &rig, const QString &script, const QString &times)
{
    QFile::remove(times);
    SimulatorProcess tilted;
    if (!tilted.start({QStringLiteral("--rate"), QStringLiteral("20"), QStringLiteral("--record"),
                       QStringLiteral("6.20,180.00")}))
        return std::nullopt;
    MonitoringSettings settings;
    settings.elevation = {true, -5, 5};
    settings.holdSeconds = 1;
    settings.noReadingsAfterSeconds = 0;
    settings.alarmCommand = script + QLatin1Char(' ') + times;
    rig.program.setMonitoring(settings);
    // The first reading beyond the limit: the needle shows the tilted record.
    qint64 firstOutside = 0;
    QObject context;
    QObject::connect(&rig.port, &SerialControl::OnComm, &context, [&] {
        if (firstOutside == 0 && std::abs(rig.ui.Elevation->NeedleValue() - 6.2) < 0.01)
            firstOutside = QDateTime::currentMSecsSinceEpoch();
    });
    rig.ui.mnuStart->trigger();
    const bool ran = waitFor([&] { return QFile::exists(times); }, 10000);
    rig.ui.mnuStop->trigger();
    if (!ran || firstOutside == 0)
        return std::nullopt;
    waitFor([] { return false; }, 200); // the command's line written in full
    QFile file(times);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const double started = file.readLine().trimmed().toDouble() * 1000.0;
    return started - double(firstOutside + 1000);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("alarm.sh"));
    const QString times = dir.filePath(QStringLiteral("started"));
    {
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write("#!/bin/sh\n[ \"$ORVEL_EVENT\" = alarm-start ] && date +%s.%N >> \"$1\"\n"
                   "exit 0\n");
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }

    QList<double> resumes;
    QList<double> commands;
    {
        ProgramRig rig;
        rig.boxes.stop();
        for (int i = 0; i < rounds; ++i) {
            if (const auto ms = resumeRound(rig))
                resumes.append(*ms);
        }
        for (int i = 0; i < rounds; ++i) {
            if (const auto ms = commandRound(rig, script, times))
                commands.append(*ms);
        }
    }
    printFigures("device back -> first record drawn", resumes, "<= 3000 ms");
    printFigures("end of hold time -> alarm command started", commands, "<= 1000 ms");
    return 0;
}
