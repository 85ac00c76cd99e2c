#include "station/Station.h"

#include "platform/runtime/Clock.h"
#include "platform/serial/SerialControl.h"
#include "publish/MqttPublisher.h"
#include "recording/Recorder.h"
#include "station/EventMapping.h"
#include "watch/AlarmCommand.h"
#include "watch/EventLog.h"
#include "watch/Watchman.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcStation, "orvel.station")

using namespace Qt::StringLiterals;

void Station::FanOut::readingAccepted(const Reading &reading)
{
    if (recorder)
        recorder->readingAccepted(reading);
    if (watchman)
        watchman->readingAccepted(reading);
    if (publisher)
        publisher->readingAccepted(reading);
}

Station::Station(const Parts &parts, QObject *parent)
    : QObject(parent), clock_(parts.clock), recorder_(parts.recorder),
      watchman_(std::make_unique<Watchman>(parts.clock)),
      eventLog_(std::make_unique<EventLog>(parts.recorder.folder())),
      command_(std::make_unique<AlarmCommand>()),
      resumer_(parts.port, parts.clock, parts.identify, parts.restart)
{
    sink_.recorder = &recorder_;
    sink_.watchman = watchman_.get();

    connect(&resumer_, &PortResumer::lost, this,
            [this](const QString &port, const QDateTime &, const QString &reason) {
                watchman_->portLost(port, reason);
            });
    connect(&resumer_, &PortResumer::back, this,
            [this](const QString &port, const QDateTime &, qint64 lostFor) {
                watchman_->portBack(port, lostFor);
            });
    connect(watchman_.get(), &Watchman::eventRaised, this, &Station::onEvent);
    connect(command_.get(), &AlarmCommand::failed, this,
            [this](const MonitorEvent &cause, const QString &detail) {
                // Kept and told, but not passed to the command that failed.
                keep(AlarmCommand::failureEvent(cause, detail, clock_.now()));
            });
    connect(eventLog_.get(), &EventLog::failed, this, [](const QString &reason) {
        qCWarning(lcStation) << "Cannot write the events file:" << reason;
    });
}

Station::~Station() = default;

void Station::setSettings(const MonitoringSettings &settings)
{
    watchman_->setSettings(settings);
    command_->setCommand(settings.alarmCommand);
    resumer_.setEnabled(settings.resume);
}

const MonitoringSettings &Station::settings() const
{
    return watchman_->settings();
}

void Station::setPublisher(MqttPublisher *publisher)
{
    if (publisher_)
        publisher_->disconnect(this);
    publisher_ = publisher;
    sink_.publisher = publisher;
    if (!publisher)
        return;
    connect(publisher, &MqttPublisher::dropped, this, [this](quint64 readings, quint64 events) {
        keep(stationEvent(MonitorEventKind::PublishDropped,
                          QString::number(readings) + u" readings and "_s +
                              QString::number(events) +
                              u" events did not fit the queue while the broker was away"_s));
    });
    connect(publisher, &MqttPublisher::refused, this, [this](const QString &reason) {
        keep(stationEvent(MonitorEventKind::BrokerRefused, reason));
    });
}

void Station::streamStarted()
{
    resumer_.streamStarted();
    if (!watchman_->streaming())
        watchman_->streamStarted(resumer_.portName());
}

void Station::streamEnded()
{
    resumer_.streamEnded();
    if (watchman_->streaming())
        watchman_->streamEnded();
}

void Station::onEvent(const MonitorEvent &event)
{
    store(event);
    command_->run(event);
    emit eventRaised(event);
}

void Station::keep(const MonitorEvent &event)
{
    store(event);
    emit eventRaised(event);
}

void Station::store(const MonitorEvent &event)
{
    if (recorder_.isRecording())
        eventLog_->append(event);
    if (publisher_)
        publisher_->publishEvent(publishedEvent(event));
}

MonitorEvent Station::stationEvent(MonitorEventKind kind, const QString &detail) const
{
    MonitorEvent event;
    event.time = clock_.now();
    event.kind = kind;
    event.port = resumer_.portName();
    event.detail = detail;
    return event;
}
