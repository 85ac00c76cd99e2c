// Orvel On-Line: wires the platform's serial port, clock, prompts and waits to the main window
// and the setup window, and runs until the main window closes or Exit is chosen.
#include "app/AppInfo.h"
#include "app/ChartDataMenu.h"
#include "app/ChartMenu.h"
#include "app/CommandLine.h"
#include "app/MessageBoxPrompts.h"
#include "app/RecordingOpener.h"
#include "app/frmOrvelShow.h"
#include "monitor/LiveMonitor.h"
#include "platform/display/StripChartWidget.h"
#include "platform/runtime/QtEventWait.h"
#include "platform/runtime/SystemClock.h"
#include "platform/serial/QtSerialControl.h"
#include "recording/Recorder.h"
#include "setup/frmSetup.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication::setApplicationName(AppInfo::title());
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(AppInfo::Major).arg(AppInfo::Minor).arg(AppInfo::Revision));
    // Read before QApplication, so --help, --version and mistakes need no display.
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto parsed = CommandLine::parse(CommandLine::arguments(argc, argv), out, err);
    if (const int *exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const CommandLine::Options &options = std::get<CommandLine::Options>(parsed);

    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("orvel"));

    SystemClock clock;
    MessageBoxPrompts prompts;
    QtSerialControl port;
    QtEventWait wait;
    // A wait for the device wakes as soon as characters arrive.
    QObject::connect(&port, &SerialControl::inputArrived, &wait, &QtEventWait::interrupt);

    // Every accepted record also goes to the day's file, unless turned off in the chart's menu.
    // Made before the window, so it outlives the monitor that feeds it.
    Recorder::Options recording;
    recording.folder = options.recordDir;
    recording.enabledThisRun = !options.noRecord;
    Recorder recorder(prompts, recording);
    frmOrvelShow window(port, clock, prompts);
    window.monitor().setReadingSink(&recorder);
    auto *chartMenu = new ChartMenu(*window.Strip1, recorder, prompts); // owned by the chart
    // Its data entries after the recording ones; owned by the menu.
    auto *chartData =
        new ChartDataMenu({*chartMenu->menu(), *window.Strip1, port, prompts, &window});
    window.setSetupRunner([&](frmOrvelShow &owner) {
        frmSetup::runModal(owner.monitor(), wait, clock, prompts, &owner);
    });
    window.show();
    if (!options.file.isEmpty())
        QTimer::singleShot(0, &window, [&] { chartData->opener().open(options.file); });
    return QApplication::exec();
}
