#pragma once

#include "station/MonitoringOptions.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <variant>

class QTextStream;

// The logger's settings: its command line and, with --config FILE, the same names without the
// dashes in the INI file's general section. The command line wins over the file.
namespace LoggerOptions
{

struct Options {
    // A device path, or Com Port 1..9 as the desktop program maps it (portNumber > 0).
    QString portDevice;
    int portNumber = 0;
    // Empty: the default folder ($STATE_DIRECTORY under the service).
    QString recordDir;
    bool noRecord = false;
    MonitoringOptions::Overrides monitoring;
    // Empty: no publishing.
    QString mqttUrl;
    // Empty: orvel/<host name>/<port name>.
    QString mqttTopic;
    int mqttQos = 0;
    QString mqttCaFile;
    QString configFile;

    // "Com port 3" or the device path.
    QString portName() const;
};

// An option's value by its name, command line and file merged; a flag is given as "true".
using Lookup = std::function<std::optional<QString>(const QString &name)>;

// The options from their values; the first wrong one as "--mqtt-qos: <why>".
std::variant<Options, QString> resolve(const Lookup &value);

// The values an INI file gives (general section): a flag counts when it reads true, a list the
// file split at commas ("-5,5") is joined again. Nothing, with the reason, when it cannot be
// read.
std::variant<Lookup, QString> readConfig(const QString &path);

// Reads the arguments (the program's name first) and the config file they name. --help and
// --version print to `out` and give exit code 0; a mistake prints one line to `err` and gives
// exit code 1.
std::variant<Options, int> parse(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace LoggerOptions
