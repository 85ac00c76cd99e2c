#pragma once

#include "app/frmOrvelShow.h"
#include "monitor/PortResumer.h"
#include "recording/ReadingSink.h"
#include "station/Station.h"
#include "watch/MonitoringSettings.h"

#include <QObject>
#include <QTimer>
#include <memory>

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
// station's watch and resuming, every event the station raises goes to the desktop, and the
// chart and gauges show the limits and what is wrong.
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

    // Each accepted record: the recorder, the alarm rules, the publisher.
    ReadingSink &sink() { return station_.sink(); }
    Watchman &watchman() { return station_.watchman(); }
    PortResumer &resumer() { return station_.resumer(); }
    EventLog &eventLog() { return station_.eventLog(); }
    Station &station() { return station_; }

private:
    void onCommandChosen(frmOrvelShow::StreamCommand command);
    void onCommandDone(frmOrvelShow::StreamCommand command);
    void endStream();
    void tell(const MonitorEvent &event);
    void showState();
    void shadeFrom(const QString &recordingPath);

    frmOrvelShow &window_;
    SerialControl &port_;
    const Clock &clock_;
    Station station_;
    std::unique_ptr<DesktopNotifier> notifier_;
    QSystemTrayIcon *tray_ = nullptr;
    QString portNotice_;
    int alarmsShown_ = 0;
    bool remote_ = false;
    // Keeps the notice's highest and lowest values current while an alarm is on.
    QTimer noticeTimer_;
};
