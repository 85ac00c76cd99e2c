// The program as main() runs it, recording into the folder given as the only argument, that
// chooses Start by itself: for a test that kills it mid-stream. It prints, every 50 ms, how many
// readings the recorder has handed to the system ("written N"). Not installed.
#include "app/Program.h"

#include <QAction>
#include <QApplication>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

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
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&program] {
        std::printf("written %llu\n",
                    static_cast<unsigned long long>(program.recorder().writtenReadings()));
        std::fflush(stdout);
    });
    report.start(50);
    return QApplication::exec();
}
