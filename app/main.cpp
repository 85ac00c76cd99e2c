// Orvel On-Line: wires the platform's serial port, clock, prompts and waits to the main window
// and the setup window, and runs until the main window closes or Exit is chosen.
#include "app/AppInfo.h"
#include "app/MessageBoxPrompts.h"
#include "app/frmOrvelShow.h"
#include "monitor/LiveMonitor.h"
#include "platform/runtime/QtEventWait.h"
#include "platform/runtime/SystemClock.h"
#include "platform/serial/QtSerialControl.h"
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

    frmOrvelShow window(port, clock, prompts);
    window.setSetupRunner([&](frmOrvelShow &owner) {
        frmSetup::runModal(owner.monitor(), wait, clock, prompts, &owner);
    });
    window.show();
    return QApplication::exec();
}
