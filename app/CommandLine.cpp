#include "app/CommandLine.h"

#include "app/RemoteMastAddress.h"
#include "publish/BrokerAddress.h"
#include "publish/TopicPrefix.h"
#include "station/MonitoringOptions.h"

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

std::variant<SubscriberSettings, QString> parseWatch(QStringView text)
{
    return RemoteMastAddress::parse(text.toString());
}

} // namespace

namespace CommandLine
{

MonitoringSettings Options::monitoring(MonitoringSettings saved) const
{
    return overrides.applyTo(saved);
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
    parser.addOption(start);
    parser.addOption(port);
    for (const QCommandLineOption &option : MonitoringOptions::options(true))
        parser.addOption(option);
    const QCommandLineOption mqtt(
        QStringLiteral("mqtt"),
        QStringLiteral("Publish readings and events to the broker at mqtt://host[:port] or "
                       "mqtts://host[:port] (user name and password from ORVEL_MQTT_USER and "
                       "ORVEL_MQTT_PASSWORD)."),
        QStringLiteral("URL"));
    const QCommandLineOption mqttTopic(
        QStringLiteral("mqtt-topic"),
        QStringLiteral("Topic prefix (default: orvel/<host name>/<port name>)."),
        QStringLiteral("PREFIX"));
    const QCommandLineOption mqttQos(QStringLiteral("mqtt-qos"),
                                     QStringLiteral("The readings' QoS, 0 or 1 (events use 1)."),
                                     QStringLiteral("0|1"));
    const QCommandLineOption watch(
        QStringLiteral("watch"),
        QStringLiteral("Watch a mast through an MQTT broker instead of the local port: URL is "
                       "mqtt://host[:port]/PREFIX or mqtts://... (the user name and password from "
                       "ORVEL_MQTT_USER and ORVEL_MQTT_PASSWORD)."),
        QStringLiteral("URL"));
    for (const QCommandLineOption &option : {mqtt, mqttTopic, mqttQos, watch})
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

    // Each value through its own parser; the first wrong one is reported with its option.
    if (parser.isSet(port)) {
        const auto parsed = MonitoringOptions::parseComPort(parser.value(port));
        if (const QString *error = std::get_if<QString>(&parsed))
            return mistake(QStringLiteral("--port: ") + *error);
        options.port = int(std::get<double>(parsed));
    }
    const auto overrides =
        MonitoringOptions::read([&parser](const QString &name) -> std::optional<QString> {
            if (!parser.isSet(name))
                return std::nullopt;
            return parser.value(name);
        });
    if (const QString *error = std::get_if<QString>(&overrides))
        return mistake(*error);
    options.overrides = std::get<MonitoringOptions::Overrides>(overrides);

    options.mqttUrl = parser.value(mqtt).trimmed();
    if (!options.mqttUrl.isEmpty()) {
        QString error;
        if (!BrokerAddress::parse(options.mqttUrl, error))
            return mistake(QStringLiteral("--mqtt: ") + error);
    }
    options.mqttTopic = parser.value(mqttTopic).trimmed();
    if (!options.mqttTopic.isEmpty()) {
        const QString problem = TopicPrefix::problem(options.mqttTopic);
        if (!problem.isEmpty())
            return mistake(QStringLiteral("--mqtt-topic: ") + problem);
    }
    if (parser.isSet(mqttQos)) {
        const QString qos = parser.value(mqttQos).trimmed();
        if (qos != QStringLiteral("0") && qos != QStringLiteral("1"))
            return mistake(QStringLiteral("--mqtt-qos: '%1' is not 0 or 1").arg(qos));
        options.mqttQos = qos.toInt();
    }
    if (parser.isSet(watch)) {
        const auto parsed = parseWatch(parser.value(watch));
        if (const QString *error = std::get_if<QString>(&parsed))
            return mistake(QStringLiteral("--watch: ") + *error);
        options.watch = std::get<SubscriberSettings>(parsed);
    }
    // Start and a file opened would each end the watching at once.
    if (options.watch && options.start)
        return mistake(QStringLiteral("--watch and --start cannot be used together."));
    if (options.watch && !options.file.isEmpty())
        return mistake(QStringLiteral("--watch and a FILE cannot be used together."));
    return options;
}

} // namespace CommandLine
