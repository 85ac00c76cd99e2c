#include "app/CommandLine.h"

#include "app/RemoteMastAddress.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <cmath>

namespace
{

// QGuiApplication's and QApplication's options that take a value, then those that take none.
const char *const QtValueOptions[] = {"platform",        "platformpluginpath",
                                      "platformtheme",   "plugin",
                                      "qwindowgeometry", "qwindowicon",
                                      "qwindowtitle",    "display",
                                      "geometry",        "style",
                                      "stylesheet",      "session",
                                      "qmljsdebugger"};
const char *const QtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

void addHidden(QCommandLineParser &parser, const char *name, bool takesValue)
{
    QCommandLineOption option(QString::fromLatin1(name));
    if (takesValue)
        option.setValueName(QStringLiteral("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
}

// A number of degrees, not negative.
std::variant<double, QString> parseDegrees(QStringView text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return QStringLiteral("'%1' is not a number of degrees.").arg(text);
    if (value < 0)
        return QStringLiteral("%1 is negative.").arg(text);
    return value;
}

std::variant<double, QString> parsePort(QStringView text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 1 || value > 9)
        return QStringLiteral("'%1' is not a Com Port from 1 to 9.").arg(text);
    return double(value);
}

std::variant<SubscriberSettings, QString> parseWatch(QStringView text)
{
    return RemoteMastAddress::parse(text.toString());
}

} // namespace

namespace CommandLine
{

MonitoringSettings Options::monitoring(MonitoringSettings saved) const
{
    if (elevationLimits)
        saved.elevation = *elevationLimits;
    if (azimuthLimits)
        saved.azimuth = *azimuthLimits;
    if (holdSeconds)
        saved.holdSeconds = *holdSeconds;
    if (hysteresisDegrees)
        saved.hysteresisDegrees = *hysteresisDegrees;
    if (noReadingsAfterSeconds)
        saved.noReadingsAfterSeconds = *noReadingsAfterSeconds;
    if (alarmCommand)
        saved.alarmCommand = *alarmCommand;
    if (noResume)
        saved.resume = false;
    return saved;
}

QStringList arguments(int argc, char **argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

std::variant<Options, int> parse(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    // Qt's options are single-dash words (-platform offscreen), not bundles of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Shows the readings of a two-axis inclination sensor on a serial port, records them, "
        "and reads recordings back into the chart."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption recordDir(
        QStringLiteral("record-dir"),
        QStringLiteral("Write recordings into DIR instead of the user's data folder."),
        QStringLiteral("DIR"));
    const QCommandLineOption noRecord(QStringLiteral("no-record"),
                                      QStringLiteral("Do not record readings to disk."));
    parser.addOption(recordDir);
    parser.addOption(noRecord);
    const QCommandLineOption start(QStringLiteral("start"),
                                   QStringLiteral("Choose Start once the window is up."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Use Com Port N (1 to 9) for this run; the saved choice is kept."),
        QStringLiteral("N"));
    const QCommandLineOption elevationLimits(
        QStringLiteral("elevation-limits"),
        QStringLiteral("Alarm when the elevation leaves LOW..HIGH degrees (this run only)."),
        QStringLiteral("LOW:HIGH"));
    const QCommandLineOption azimuthLimits(
        QStringLiteral("azimuth-limits"),
        QStringLiteral("Alarm when the azimuth leaves the clockwise band FROM..TO degrees "
                       "(this run only)."),
        QStringLiteral("FROM:TO"));
    const QCommandLineOption alarmHold(
        QStringLiteral("alarm-hold"),
        QStringLiteral("Seconds a reading must stay outside (or back inside) a limit before an "
                       "alarm starts (or ends)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption hysteresis(
        QStringLiteral("hysteresis"),
        QStringLiteral("Degrees a reading must come back inside a limit to end an alarm."),
        QStringLiteral("DEGREES"));
    const QCommandLineOption noReadingsAfter(
        QStringLiteral("no-readings-after"),
        QStringLiteral("Alarm when no reading arrives for SECONDS while streaming (0: never)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption alarmCommand(
        QStringLiteral("alarm-command"),
        QStringLiteral("Run PROGRAM once for each monitoring event (no shell; the event is in "
                       "its ORVEL_* environment variables)."),
        QStringLiteral("PROGRAM"));
    const QCommandLineOption noResume(
        QStringLiteral("no-resume"),
        QStringLiteral("Do not open a lost port again by itself (this run only)."));
    const QCommandLineOption watch(
        QStringLiteral("watch"),
        QStringLiteral("Watch a mast through an MQTT broker instead of the local port: URL is "
                       "mqtt://host[:port]/PREFIX or mqtts://... (the user name and password from "
                       "ORVEL_MQTT_USER and ORVEL_MQTT_PASSWORD)."),
        QStringLiteral("URL"));
    for (const QCommandLineOption &option :
         {start, port, elevationLimits, azimuthLimits, alarmHold, hysteresis, noReadingsAfter,
          alarmCommand, noResume, watch})
        parser.addOption(option);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A recording or exported chart (.csv) to open in "
                                                "the chart at start-up."),
                                 QStringLiteral("[FILE]"));
    for (const char *name : QtValueOptions)
        addHidden(parser, name, true);
    for (const char *name : QtFlagOptions)
        addHidden(parser, name, false);

    const QString program =
        arguments.isEmpty() ? QStringLiteral("orvel") : QFileInfo(arguments.first()).fileName();
    const auto mistake = [&](const QString &message) {
        err << program << ": " << message << '\n'
            << "Try '" << program << " --help' for more information.\n";
        err.flush();
        return 1;
    };
    if (!parser.parse(arguments))
        return mistake(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // Without a QCoreApplication the parser does not know the program's name.
        out << parser.helpText().replace(QStringLiteral("<executable_name>"), program);
        out.flush();
        return 0;
    }
    if (parser.isSet(version)) {
        out << program << ' ' << QCoreApplication::applicationVersion() << '\n';
        out.flush();
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return mistake(QStringLiteral("Only one FILE can be opened, not %1.").arg(files.size()));

    Options options;
    options.recordDir = parser.value(recordDir);
    options.noRecord = parser.isSet(noRecord);
    options.file = files.isEmpty() ? QString() : files.first();
    options.start = parser.isSet(start);
    options.noResume = parser.isSet(noResume);
    if (parser.isSet(alarmCommand))
        options.alarmCommand = parser.value(alarmCommand);

    // Each value through its own parser; the first wrong one is reported with its option.
    QString wrong;
    const auto read = [&](const QCommandLineOption &option, auto parse, auto &into) {
        if (!wrong.isEmpty() || !parser.isSet(option))
            return;
        const auto parsed = parse(QStringView(parser.value(option)));
        if (const QString *error = std::get_if<QString>(&parsed)) {
            wrong = QStringLiteral("--") + option.names().first() + QStringLiteral(": ") + *error;
            return;
        }
        into = std::get<0>(parsed);
    };
    std::optional<double> portNumber;
    std::optional<double> noReadings;
    read(port, parsePort, portNumber);
    read(elevationLimits, parseElevationLimits, options.elevationLimits);
    read(azimuthLimits, parseAzimuthLimits, options.azimuthLimits);
    read(alarmHold, parseNonNegativeSeconds, options.holdSeconds);
    read(hysteresis, parseDegrees, options.hysteresisDegrees);
    read(noReadingsAfter, parseNonNegativeSeconds, noReadings);
    read(watch, parseWatch, options.watch);
    if (!wrong.isEmpty())
        return mistake(wrong);
    // Start and a file opened would each end the watching at once.
    if (options.watch && options.start)
        return mistake(QStringLiteral("--watch and --start cannot be used together."));
    if (options.watch && !options.file.isEmpty())
        return mistake(QStringLiteral("--watch and a FILE cannot be used together."));
    options.port = portNumber ? int(*portNumber) : 0;
    if (noReadings)
        options.noReadingsAfterSeconds = int(std::lround(*noReadings));
    return options;
}

} // namespace CommandLine
