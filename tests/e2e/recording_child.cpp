// The program as main() wires it, recording into the folder given as the only argument, that
// chooses Start by itself: for a test that kills it mid-stream. Not installed.
#include "app/MessageBoxPrompts.h"
#include "app/frmOrvelShow.h"
#include "monitor/LiveMonitor.h"
#include "platform/runtime/QtEventWait.h"
#include "platform/runtime/SystemClock.h"
#include "platform/serial/QtSerialControl.h"
#include "recording/Recorder.h"

#include <QAction>
#include <QApplication>
#include <QStandardPaths>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    if (argc != 2)
        return 2;
    SystemClock clock;
    MessageBoxPrompts prompts;
    QtSerialControl port;
    Recorder::Options options;
    options.folder = QString::fromLocal8Bit(argv[1]);
    Recorder recorder(prompts, options);
    frmOrvelShow window(port, clock, prompts);
    window.monitor().setReadingSink(&recorder);
    window.show();
    QTimer::singleShot(0, window.mnuStart, &QAction::trigger);
    return QApplication::exec();
}
