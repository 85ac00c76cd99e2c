#include "logger/LoggerOptions.h"

#include "publish/BrokerAddress.h"
#include "publish/TopicPrefix.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QTextStream>

#include <memory>

using namespace Qt::StringLiterals;

namespace
{

const QStringList FlagNames = {u"no-record"_s, u"no-resume"_s};

bool isTrue(const QString &text)
{
    const QString t = text.trimmed().toLower();
    return t == u"true"_s || t == u"1"_s || t == u"yes"_s || t == u"on"_s;
}

QList<QCommandLineOption> loggerOptions()
{
    return {
        QCommandLineOption(u"port"_s,
                           u"The sensor's serial device, or Com Port N (1 to 9) as the desktop "
                           "program maps it (required)."_s,
                           u"DEVICE|N"_s),
        QCommandLineOption(u"record-dir"_s,
                           u"Write recordings and events into DIR (default: the data folder, "
                           "$STATE_DIRECTORY under the service)."_s,
                           u"DIR"_s),
        QCommandLineOption(u"no-record"_s, u"Record nothing."_s),
        QCommandLineOption(u"mqtt"_s,
                           u"Publish readings and events to the broker at mqtt://host[:port] "
                           "or mqtts://host[:port]."_s,
                           u"URL"_s),
        QCommandLineOption(u"mqtt-topic"_s,
                           u"Topic prefix (default: orvel/<host name>/<port name>)."_s,
                           u"PREFIX"_s),
        QCommandLineOption(u"mqtt-qos"_s, u"The readings' QoS, 0 or 1 (events use 1)."_s, u"0|1"_s),
        QCommandLineOption(u"mqtt-ca-file"_s,
                           u"Trust the certificate authorities in FILE for mqtts instead of the "
                           "system's."_s,
                           u"FILE"_s),
        QCommandLineOption(u"config"_s,
                           u"Read settings from the INI file FILE (the options' names without "
                           "the dashes; also mqtt-user and mqtt-password). The command line "
                           "wins."_s,
                           u"FILE"_s),
    };
}

} // namespace

namespace LoggerOptions
{

QString Options::portName() const
{
    return portNumber > 0 ? u"Com port "_s + QString::number(portNumber) : portDevice;
}

std::variant<Options, QString> resolve(const Lookup &value)
{
    Options options;
    const std::optional<QString> port = value(u"port"_s);
    if (!port || port->trimmed().isEmpty())
        return u"--port: the sensor's device or Com Port number is required"_s;
    const QString portText = port->trimmed();
    bool isNumber = false;
    portText.toInt(&isNumber);
    if (isNumber) {
        const auto parsed = MonitoringOptions::parseComPort(portText);
        if (const QString *error = std::get_if<QString>(&parsed))
            return u"--port: "_s + *error;
        options.portNumber = int(std::get<double>(parsed));
    } else {
        options.portDevice = portText;
    }
    options.recordDir = value(u"record-dir"_s).value_or(QString());
    options.noRecord = value(u"no-record"_s).has_value();

    const auto monitoring = MonitoringOptions::read(value);
    if (const QString *error = std::get_if<QString>(&monitoring))
        return *error;
    options.monitoring = std::get<MonitoringOptions::Overrides>(monitoring);

    options.mqttUrl = value(u"mqtt"_s).value_or(QString()).trimmed();
    if (!options.mqttUrl.isEmpty()) {
        QString error;
        if (!BrokerAddress::parse(options.mqttUrl, error))
            return u"--mqtt: "_s + error;
    }
    options.mqttTopic = value(u"mqtt-topic"_s).value_or(QString()).trimmed();
    if (!options.mqttTopic.isEmpty()) {
        const QString problem = TopicPrefix::problem(options.mqttTopic);
        if (!problem.isEmpty())
            return u"--mqtt-topic: "_s + problem;
    }
    if (const auto qos = value(u"mqtt-qos"_s)) {
        const QString q = qos->trimmed();
        if (q != u"0"_s && q != u"1"_s)
            return u"--mqtt-qos: '"_s + q + u"' is not 0 or 1"_s;
        options.mqttQos = q.toInt();
    }
    options.mqttCaFile = value(u"mqtt-ca-file"_s).value_or(QString()).trimmed();
    if (!options.mqttCaFile.isEmpty() && !QFileInfo(options.mqttCaFile).isReadable())
        return u"--mqtt-ca-file: cannot read "_s + options.mqttCaFile;
    options.configFile = value(u"config"_s).value_or(QString());
    return options;
}

std::variant<Lookup, QString> readConfig(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        return u"cannot read the config file "_s + path;
    auto settings = std::make_shared<QSettings>(path, QSettings::IniFormat);
    if (settings->status() != QSettings::NoError)
        return u"the config file "_s + path + u" is not an INI file"_s;
    return Lookup([settings](const QString &name) -> std::optional<QString> {
        if (!settings->contains(name))
            return std::nullopt;
        const QVariant value = settings->value(name);
        const QString text = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList().join(u',')
                                 : value.toString();
        if (FlagNames.contains(name) && !isTrue(text))
            return std::nullopt;
        return text;
    });
}

std::variant<Options, int> parse(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Reads a two-axis inclination sensor on a serial port without a display: records its "
        "readings, watches its limits, and publishes them to an MQTT broker."_s);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    QStringList names;
    for (const QCommandLineOption &option : loggerOptions() + MonitoringOptions::options(false)) {
        parser.addOption(option);
        names.append(option.names().first());
    }

    const QString program =
        arguments.isEmpty() ? u"orvel-logger"_s : QFileInfo(arguments.first()).fileName();
    const auto mistake = [&](const QString &message) {
        err << program << u": "_s << message << u'\n';
        err.flush();
        return 1;
    };
    if (!parser.parse(arguments))
        return mistake(parser.errorText());
    if (parser.isSet(help)) {
        out << parser.helpText().replace(u"<executable_name>"_s, program);
        out.flush();
        return 0;
    }
    if (parser.isSet(version)) {
        out << program << u' ' << QCoreApplication::applicationVersion() << u'\n';
        out.flush();
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return mistake(u"unexpected argument '"_s + parser.positionalArguments().first() + u"'"_s);

    Lookup fromFile = [](const QString &) -> std::optional<QString> { return std::nullopt; };
    if (parser.isSet(u"config"_s)) {
        auto read = readConfig(parser.value(u"config"_s));
        if (const QString *error = std::get_if<QString>(&read))
            return mistake(u"--config: "_s + *error);
        fromFile = std::get<Lookup>(std::move(read));
    }
    const auto resolved = resolve([&](const QString &name) -> std::optional<QString> {
        if (names.contains(name) && parser.isSet(name)) {
            if (FlagNames.contains(name))
                return u"true"_s;
            return parser.value(name);
        }
        if (name == u"config"_s)
            return std::nullopt;
        return fromFile(name);
    });
    if (const QString *error = std::get_if<QString>(&resolved))
        return mistake(*error);
    return std::get<Options>(resolved);
}

} // namespace LoggerOptions
