#pragma once

#include "app/frmOrvelShow.h"
#include "monitor/PortResumer.h"
#include "recording/ReadingSink.h"
#include "watch/MonitoringSettings.h"

#include <QObject>
#include <QTimer>
#include <memory>

class AlarmCommand;
class Clock;
class DesktopNotifier;
class EventLog;
class QSystemTrayIcon;
class Recorder;
class RecordingOpener;
class SerialControl;
class Watchman;
struct MonitorEvent;

// Watching unattended, wired into the main window: the stream's commands start and end the
// watch and the resuming, every accepted record reaches the alarm rules, every event goes to the
// events file, the desktop and the alarm command, and the chart and gauges show the limits and
// what is wrong.
class WatchWiring final : public QObject
{
    Q_OBJECT

public:
    struct Parts {
        frmOrvelShow &window;
        SerialControl &port;
        const Clock &clock;
        Recorder &recorder;
        RecordingOpener &opener;
        PortResumer::Identify identify;
    };

    explicit WatchWiring(const Parts &parts, QObject *parent = nullptr);
    ~WatchWiring() override;

    void setSettings(const MonitoringSettings &settings);
    const MonitoringSettings &settings() const;

    // A mast watched through the broker: the local stream and its resuming end, and its
    // readings feed the rules under its name until remoteEnded(); Stop and Setup leave it be.
    void remoteStarted(const QString &name);
    void remoteEnded();
    // The notice's line saying whose readings these are, in place of the port's (after any
    // alarms while a remote mast is watched).
    void setSourceNotice(const QString &text);

    // Each accepted record, after the recorder.
    ReadingSink &sink() { return sink_; }
    Watchman &watchman() { return *watchman_; }
    PortResumer &resumer() { return resumer_; }
    EventLog &eventLog() { return *eventLog_; }

private:
    class FanOut final : public ReadingSink
    {
    public:
        ReadingSink *first = nullptr;
        ReadingSink *second = nullptr;
        void readingAccepted(const Reading &reading) override;
    };

    void onCommandChosen(frmOrvelShow::StreamCommand command);
    void onCommandDone(frmOrvelShow::StreamCommand command);
    void endStream();
    void onEvent(const MonitorEvent &event);
    void tell(const MonitorEvent &event);
    void showState();
    void shadeFrom(const QString &recordingPath);

    frmOrvelShow &window_;
    SerialControl &port_;
    const Clock &clock_;
    Recorder &recorder_;
    FanOut sink_;
    std::unique_ptr<Watchman> watchman_;
    std::unique_ptr<EventLog> eventLog_;
    std::unique_ptr<AlarmCommand> command_;
    std::unique_ptr<DesktopNotifier> notifier_;
    QSystemTrayIcon *tray_ = nullptr;
    PortResumer resumer_;
    QString portNotice_;
    int alarmsShown_ = 0;
    bool remote_ = false;
    // Keeps the notice's highest and lowest values current while an alarm is on.
    QTimer noticeTimer_;
};
