#pragma once

#include "logger/LoggerOptions.h"
#include "logger/StderrPrompts.h"
#include "monitor/RecordStream.h"
#include "platform/runtime/SystemClock.h"
#include "platform/serial/QtSerialControl.h"

#include <QObject>
#include <QTimer>

#include <memory>

class MqttPublisher;
class Recorder;
class Station;
struct MonitorEvent;

// The logger's parts wired together: the port, the reading rule, the recorder, the station's
// watch and resuming, and the publisher when a broker is named.
class Logger final : public QObject
{
    Q_OBJECT

public:
    explicit Logger(const LoggerOptions::Options &options, QObject *parent = nullptr);
    // Ends the stream if it is on, then writes what the recorder, the events file and the
    // publisher still hold.
    ~Logger() override;

    // Opens the port and sends "!START". False when it cannot be opened and resuming is off;
    // with resuming on it tries again every 2 s until it opens.
    bool start();
    // Sends "!STOP" and closes the port.
    void stop();
    // Stops, then hands the publisher's last messages to the broker and says "offline".
    void finish();
    // Closes the recording and opens it again by its name (log rotation).
    void reopenFiles();
    // New monitoring settings (a reread config file).
    void applySettings(const LoggerOptions::Options &options);

    static constexpr int OpenRetryMs = 2000;
    static constexpr int HoldMs = 250;

private:
    bool openPort();
    void beginStream();
    void onComm();
    void onEvent(const MonitorEvent &event);

    LoggerOptions::Options options_;
    SystemClock clock_;
    StderrPrompts prompts_;
    QtSerialControl port_;
    RecordStream stream_{clock_};
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<MqttPublisher> publisher_;
    std::unique_ptr<Station> station_;
    QTimer openRetry_;
    bool streaming_ = false;
};
