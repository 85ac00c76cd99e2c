// Orvel On-Line: reads the command line, then runs the program wired in Program until the main
// window closes or Exit is chosen.
#include "app/AppInfo.h"
#include "app/ChartDataMenu.h"
#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/RecordingOpener.h"
#include "monitor/LiveMonitor.h"
#include "platform/serial/ComPortMap.h"
#include "publish/PublisherSettings.h"
#include "publish/TopicPrefix.h"
#include "watch/MonitoringSettings.h"

#include <QAction>
#include <QApplication>
#include <QProcessEnvironment>
#include <QSettings>
#include <QSysInfo>
#include <QTextStream>
#include <QTimer>

namespace
{

// The broker's login from the environment only: this program has no config file.
PublisherSettings publisherSettings(const CommandLine::Options &options)
{
    PublisherSettings settings;
    QString error;
    if (const auto broker = BrokerAddress::parse(options.mqttUrl, error))
        settings.broker = *broker;
    settings.login = BrokerLogin::from(QProcessEnvironment::systemEnvironment(), nullptr);
    settings.readingQos = options.mqttQos;
    const short port = short(options.port > 0 ? options.port : 1);
    const QString device = ComPortMap::resolve(port).device;
    settings.topicPrefix =
        !options.mqttTopic.isEmpty()
            ? options.mqttTopic
            : TopicPrefix::fallback(QSysInfo::machineHostName(),
                                    device.isEmpty() ? QStringLiteral("com%1").arg(port) : device);
    return settings;
}

} // namespace

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
    // The saved settings, with this run's own over them (not saved).
    QSettings saved(QCoreApplication::applicationName());
    program.setMonitoring(options.monitoring(loadMonitoringSettings(saved)));
    if (options.port > 0)
        program.window().monitor().mnuComClick(options.port - 1);
    if (!options.mqttUrl.isEmpty())
        program.publish(publisherSettings(options));
    program.window().show();
    if (options.start) {
        QTimer::singleShot(0, &program.window(), [&] {
            if (auto *start = program.window().findChild<QAction *>(QStringLiteral("mnuStart")))
                start->trigger();
        });
    }
    if (options.watch) {
        QTimer::singleShot(0, &program.window(), [&] { program.watchRemote(*options.watch); });
    }
    if (!options.file.isEmpty()) {
        QTimer::singleShot(0, &program.window(),
                           [&] { program.chartData().opener().open(options.file); });
    }
    return QApplication::exec();
}
