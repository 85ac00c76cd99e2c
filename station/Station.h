#pragma once

#include "monitor/PortResumer.h"
#include "recording/ReadingSink.h"
#include "watch/MonitorEvent.h"
#include "watch/MonitoringSettings.h"

#include <QObject>
#include <memory>

class AlarmCommand;
class Clock;
class EventLog;
class MqttPublisher;
class Recorder;
class SerialControl;
class Watchman;

// Watching a stream without a display: every accepted reading goes to the recorder, then to the
// alarm rules, then to the publisher if there is one; every event goes to the events file (while
// recording), to the alarm command and to the publisher, and out through eventRaised() for the
// program to tell the user. A lost port is opened again and its loss and return are events;
// the publisher's lost messages and a broker's refusal are events too.
class Station final : public QObject
{
    Q_OBJECT

public:
    struct Parts {
        SerialControl &port;
        const Clock &clock;
        Recorder &recorder;
        PortResumer::Identify identify;
        // Called with the port open again after a loss, to restart the stream on it.
        PortResumer::Restart restart;
    };

    explicit Station(const Parts &parts, QObject *parent = nullptr);
    ~Station() override;

    void setSettings(const MonitoringSettings &settings);
    const MonitoringSettings &settings() const;

    // Null: nothing is published. It must outlive the station or be reset first.
    void setPublisher(MqttPublisher *publisher);

    // The port was opened and the stream started on it.
    void streamStarted();
    // The stream ended (Stop, Setup, Open Recording, Exit, the program's end).
    void streamEnded();

    // Each accepted record.
    ReadingSink &sink() { return sink_; }
    Watchman &watchman() { return *watchman_; }
    PortResumer &resumer() { return resumer_; }
    EventLog &eventLog() { return *eventLog_; }
    Recorder &recorder() { return recorder_; }

signals:
    // Every event once it is kept and passed on, the command's failures among them.
    void eventRaised(const MonitorEvent &event);

private:
    class FanOut final : public ReadingSink
    {
    public:
        ReadingSink *recorder = nullptr;
        ReadingSink *watchman = nullptr;
        ReadingSink *publisher = nullptr;
        void readingAccepted(const Reading &reading) override;
    };

    void onEvent(const MonitorEvent &event);
    // Kept, published and told, but not passed to the command.
    void keep(const MonitorEvent &event);
    // To the events file (while recording) and the publisher.
    void store(const MonitorEvent &event);
    MonitorEvent stationEvent(MonitorEventKind kind, const QString &detail) const;

    const Clock &clock_;
    Recorder &recorder_;
    FanOut sink_;
    std::unique_ptr<Watchman> watchman_;
    std::unique_ptr<EventLog> eventLog_;
    std::unique_ptr<AlarmCommand> command_;
    PortResumer resumer_;
    MqttPublisher *publisher_ = nullptr;
};
