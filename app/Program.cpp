#include "app/Program.h"

#include "app/ChartDataMenu.h"
#include "app/ChartMenu.h"
#include "app/RecordingOpener.h"
#include "app/RemoteMastMenu.h"
#include "app/RemoteWatch.h"
#include "app/WatchWiring.h"
#include "monitor/LiveMonitor.h"
#include "platform/display/StripChartWidget.h"
#include "platform/serial/ComPortMap.h"
#include "publish/MqttPublisher.h"
#include "setup/frmSetup.h"

#include <QAction>
#include <QProcessEnvironment>

Program::Program(const Recorder::Options &recording) : recorder_(prompts_, recording)
{
    // A wait for the device wakes as soon as characters arrive.
    QObject::connect(&port_, &SerialControl::inputArrived, &wait_, &QtEventWait::interrupt);
    // Every accepted record also goes to the day's file, unless turned off in the chart's menu.
    window_.monitor().setReadingSink(&recorder_);
    auto *chartMenu = new ChartMenu(window_.chart(), recorder_, prompts_); // owned by the chart
    // Its data entries after the recording ones.
    chartData_ = new ChartDataMenu({*chartMenu->menu(), window_.chart(), port_, prompts_, &window_,
                                    nullptr, recorder_.folder(), &jobs_});
    window_.setSetupRunner([this](frmOrvelShow &owner) {
        frmSetup::runModal(owner.monitor(), wait_, clock_, prompts_, &owner);
    });

    // Records go to the recorder first, then to the alarm rules.
    watch_ = std::make_unique<WatchWiring>(WatchWiring::Parts{
        window_, port_, clock_, recorder_, chartData_->opener(), [](short port) {
            const ComPortMap::Identity identity = ComPortMap::identify(port);
            return PortIdentity{identity.device, identity.serialNumber, identity.fromEnvironment};
        }});
    watch_->setSettings(MonitoringSettings{});
    chartMenu->addMonitoring(
        [this] { return watch_->settings(); },
        [this](const MonitoringSettings &settings) { setMonitoring(settings); });
    wireRemote(*chartMenu->menu());
}

void Program::wireRemote(QMenu &chartMenu)
{
    remote_ = std::make_unique<RemoteWatch>(window_.monitor(), window_.chart(), clock_);
    RemoteWatch *remote = remote_.get();
    WatchWiring *watch = watch_.get();
    QObject::connect(remote, &RemoteWatch::started, watch, &WatchWiring::remoteStarted);
    QObject::connect(remote, &RemoteWatch::ended, watch, &WatchWiring::remoteEnded);
    QObject::connect(remote, &RemoteWatch::noticeChanged, watch, &WatchWiring::setSourceNotice);
    // Start, Open Recording and Exit end the watching (Exit with its stream-end event); Stop,
    // Setup and the Port menu are the local port's.
    QObject::connect(&window_, &frmOrvelShow::streamCommandChosen, remote,
                     [remote](frmOrvelShow::StreamCommand command) {
                         if (command == frmOrvelShow::StreamCommand::Start ||
                             command == frmOrvelShow::StreamCommand::Exit)
                             remote->stop();
                     });
    QObject::connect(&chartData_->opener(), &RecordingOpener::opening, remote, &RemoteWatch::stop);
    new RemoteMastMenu({chartMenu, chartData_->exportChartData, *remote, &window_,
                        [this](const SubscriberSettings &settings) { watchRemote(settings); }});
}

void Program::watchRemote(SubscriberSettings settings)
{
    settings.login = BrokerLogin::from(QProcessEnvironment::systemEnvironment(), nullptr);
    // One source on the chart at a time.
    if (port_.PortOpen()) {
        if (auto *stop = window_.findChild<QAction *>(QStringLiteral("mnuStop")))
            stop->trigger();
    }
    remote_->start(settings);
}

void Program::setMonitoring(const MonitoringSettings &settings)
{
    watch_->setSettings(settings);
}

void Program::publish(const PublisherSettings &settings)
{
    watch_->station().setPublisher(nullptr);
    publisher_ = std::make_unique<MqttPublisher>(settings);
    watch_->station().setPublisher(publisher_.get());
}

Program::~Program()
{
    // A load or an export still running is cancelled and its thread joined before the window
    // goes; the recorder then finishes its file.
    jobs_.stopAll(QDeadlineTimer(BackgroundJobs::StopWaitMs));
}
