// The program as main() runs it, recording into the folder given as the only argument, that
// chooses Start by itself: for a test that kills it mid-stream. Not installed.
#include "app/Program.h"

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
    Recorder::Options options;
    options.folder = QString::fromLocal8Bit(argv[1]);
    Program program(options);
    program.window().show();
    QTimer::singleShot(0, program.window().findChild<QAction *>(QStringLiteral("mnuStart")),
                       &QAction::trigger);
    return QApplication::exec();
}
