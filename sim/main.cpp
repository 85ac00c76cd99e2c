#include "sim/SignalWatcher.h"
#include "sim/SimOptions.h"
#include "sim/Simulator.h"

#include <QCoreApplication>

#include <cstdio>

// dravelin-sim: a Dravelin on a pseudo-terminal, for the tests and for trying the program
// without the device. The terminal's path is the first line of standard output.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QString error;
    const auto options = parseSimOptions(app.arguments(), &error);
    if (!options) {
        std::fprintf(stderr, "dravelin-sim: %s\n", qPrintable(error));
        return 2;
    }
    if (options->help) {
        std::fputs(qPrintable(options->helpText), stdout);
        return 0;
    }

    SignalWatcher watcher;
    Simulator simulator(*options);
    if (!watcher.install(&error) || !simulator.start(&error)) {
        std::fprintf(stderr, "dravelin-sim: %s\n", qPrintable(error));
        return 1;
    }
    QObject::connect(&watcher, &SignalWatcher::terminationRequested, &app, &QCoreApplication::quit);
    QObject::connect(&simulator, &Simulator::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    std::printf("%s\n", qPrintable(simulator.terminalPath()));
    std::fflush(stdout);
    return app.exec();
}
