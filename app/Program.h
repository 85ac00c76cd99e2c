#pragma once

#include "app/BackgroundJob.h"
#include "app/MessageBoxPrompts.h"
#include "app/frmOrvelShow.h"
#include "platform/runtime/QtEventWait.h"
#include "platform/runtime/SystemClock.h"
#include "platform/serial/QtSerialControl.h"
#include "recording/Recorder.h"
#include "watch/MonitoringSettings.h"

#include <memory>

class ChartDataMenu;
class MqttPublisher;
struct PublisherSettings;
class QMenu;
class RemoteWatch;
class WatchWiring;
struct SubscriberSettings;

// The program as main() runs it: the system clock, message boxes, the serial port and the
// event-processing wait wired to the main window, whose Setup command shows the setup window,
// and every accepted record going to the recorder. The end-to-end tests and the benchmarks
// construct this same object, recording into a folder of their own.
class Program
{
public:
    explicit Program(const Recorder::Options &recording = {});
    // Stops the jobs still running and waits for them, then for the recorder: at most
    // QuitWaitMs in all.
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    static constexpr int QuitWaitMs = BackgroundJobs::StopWaitMs + Recorder::ShutdownWaitMs;

    frmOrvelShow &window() { return window_; }
    SerialControl &port() { return port_; }
    EventWait &wait() { return wait_; }
    const Clock &clock() const { return clock_; }
    Recorder &recorder() { return recorder_; }
    BackgroundJobs &jobs() { return jobs_; }
    // The chart menu's reading back, export, picture and copy entries.
    ChartDataMenu &chartData() { return *chartData_; }
    // Watching unattended: resuming, limits, alarms, events. Default settings until set.
    WatchWiring &watch() { return *watch_; }
    void setMonitoring(const MonitoringSettings &settings);
    // Every accepted reading and every event also to a broker, from now on.
    void publish(const PublisherSettings &settings);
    // A mast watched through the broker instead of the local port.
    RemoteWatch &remote() { return *remote_; }
    // Ends the local stream (Stop, when the port is open) and watches the mast, with the login
    // from the environment.
    void watchRemote(SubscriberSettings settings);

private:
    void wireRemote(QMenu &chartMenu);

    SystemClock clock_;
    MessageBoxPrompts prompts_;
    QtSerialControl port_;
    QtEventWait wait_;
    // Made before the window, so it outlives the monitor that feeds it.
    Recorder recorder_;
    BackgroundJobs jobs_;
    frmOrvelShow window_{port_, clock_, prompts_};
    ChartDataMenu *chartData_ = nullptr; // owned by the chart's menu
    // Made before the watch that feeds it, so it outlives it.
    std::unique_ptr<MqttPublisher> publisher_;
    std::unique_ptr<WatchWiring> watch_;
    std::unique_ptr<RemoteWatch> remote_; // after watch_: it tells it when it ends
};
