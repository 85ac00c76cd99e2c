// Orvel On-Line: wires the platform's serial port, clock, prompts and waits to the main window
// and the setup window, and runs until the main window closes or Exit is chosen.
#include "app/AppInfo.h"
#include "app/ChartMenu.h"
#include "app/MessageBoxPrompts.h"
#include "app/frmOrvelShow.h"
#include "monitor/LiveMonitor.h"
#include "platform/display/StripChartWidget.h"
#include "platform/runtime/QtEventWait.h"
#include "platform/runtime/SystemClock.h"
#include "platform/serial/QtSerialControl.h"
#include "recording/Recorder.h"
#include "setup/frmSetup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppInfo::title());
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(AppInfo::Major).arg(AppInfo::Minor).arg(AppInfo::Revision));
    QApplication::setDesktopFileName(QStringLiteral("orvel"));

    SystemClock clock;
    MessageBoxPrompts prompts;
    QtSerialControl port;
    QtEventWait wait;
    // A wait for the device wakes as soon as characters arrive.
    QObject::connect(&port, &SerialControl::inputArrived, &wait, &QtEventWait::interrupt);

    // Every accepted record also goes to the day's file, unless turned off in the chart's menu.
    // Made before the window, so it outlives the monitor that feeds it.
    Recorder recorder(prompts, Recorder::Options{});
    frmOrvelShow window(port, clock, prompts);
    window.monitor().setReadingSink(&recorder);
    new ChartMenu(*window.Strip1, recorder, prompts); // owned by the chart
    window.setSetupRunner([&](frmOrvelShow &owner) {
        frmSetup::runModal(owner.monitor(), wait, clock, prompts, &owner);
    });
    window.show();
    return QApplication::exec();
}
