#pragma once

#include "publish/MqttSubscriber.h"
#include "station/MonitoringOptions.h"
#include "watch/MonitoringSettings.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

class QTextStream;

// The program's command line: orvel [--record-dir DIR] [--no-record] [--start] [--port N]
// [monitoring settings for this run] [--mqtt URL [--mqtt-topic PREFIX] [--mqtt-qos 0|1]]
// [--watch mqtt://host[:port]/PREFIX] [FILE].
namespace CommandLine
{

struct Options {
    // Where recordings go instead of the user's data folder; empty for the default.
    QString recordDir;
    bool noRecord = false;
    // A recording or export to open in the chart at start-up; empty for none.
    QString file;
    // Choose Start once the window is up.
    bool start = false;
    // Com Port 1 to 9 checked for this run; 0 keeps the saved choice.
    int port = 0;
    // Publishing to an MQTT broker: its address (empty: none), the topic prefix (empty: the
    // default) and the readings' QoS.
    QString mqttUrl;
    QString mqttTopic;
    int mqttQos = 0;
    // Monitoring settings for this run, over the saved ones; unset: as saved.
    MonitoringOptions::Overrides overrides;
    // A mast to watch through the broker instead of the local port (no login yet).
    std::optional<SubscriberSettings> watch;

    // The saved settings with this run's overrides applied.
    MonitoringSettings monitoring(MonitoringSettings saved) const;
};

// Reads the arguments (the program's name first). --help and --version print to `out` and give
// exit code 0; a mistake prints the parser's message and a hint to `err` and gives exit code 1.
// Qt's own options (-platform, -style, ...) are let through for QApplication. Needs the
// application's name and version set, but no QApplication.
std::variant<Options, int> parse(const QStringList &arguments, QTextStream &out, QTextStream &err);

// The process's arguments, for parsing before QApplication exists.
QStringList arguments(int argc, char **argv);

} // namespace CommandLine
