// Orvel On-Line: reads the command line, then runs the program wired in Program until the main
// window closes or Exit is chosen.
#include "app/AppInfo.h"
#include "app/ChartDataMenu.h"
#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/RecordingOpener.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

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

    Recorder::Options recording;
    recording.folder = options.recordDir;
    recording.enabledThisRun = !options.noRecord;
    Program program(recording);
    program.window().show();
    if (!options.file.isEmpty()) {
        QTimer::singleShot(0, &program.window(),
                           [&] { program.chartData().opener().open(options.file); });
    }
    return QApplication::exec();
}
