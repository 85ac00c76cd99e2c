#include "app/WatchWiring.h"

#include "app/RecordingOpener.h"
#include "app/WatchDisplay.h"
#include "chartdata/ChartTime.h"
#include "monitor/LiveMonitor.h"
#include "platform/display/GaugeWidget.h"
#include "platform/display/StripChartWidget.h"
#include "platform/notify/DesktopNotifier.h"
#include "platform/runtime/Clock.h"
#include "platform/serial/SerialControl.h"
#include "recording/Recorder.h"
#include "watch/AlarmCommand.h"
#include "watch/EventLog.h"
#include "watch/Watchman.h"

#include <QApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QThreadPool>

Q_LOGGING_CATEGORY(lcWatch, "orvel.watch")

namespace
{

const QColor AlarmShade(255, 0, 0, 45);
const QColor NoReadingsShade(110, 110, 110, 55);
const QColor AlarmInk(200, 0, 0);
const QColor NoticeInk(40, 40, 40);

} // namespace

void WatchWiring::FanOut::readingAccepted(const Reading &reading)
{
    if (first)
        first->readingAccepted(reading);
    if (second)
        second->readingAccepted(reading);
}

WatchWiring::WatchWiring(const Parts &parts, QObject *parent)
    : QObject(parent), window_(parts.window), port_(parts.port), clock_(parts.clock),
      recorder_(parts.recorder), watchman_(std::make_unique<Watchman>(parts.clock)),
      eventLog_(std::make_unique<EventLog>(parts.recorder.folder())),
      command_(std::make_unique<AlarmCommand>()),
      notifier_(std::make_unique<DesktopNotifier>(QCoreApplication::applicationName())),
      resumer_(parts.port, parts.clock, parts.identify,
               [this] { window_.monitor().resumeStream(); })
{
    sink_.first = &recorder_;
    sink_.second = watchman_.get();
    window_.monitor().setReadingSink(&sink_);

    connect(&window_, &frmOrvelShow::streamCommandChosen, this, &WatchWiring::onCommandChosen);
    connect(&window_, &frmOrvelShow::streamCommandDone, this, &WatchWiring::onCommandDone);
    connect(&parts.opener, &RecordingOpener::opening, this, [this] { endStream(); });
    connect(&parts.opener, &RecordingOpener::loaded, this, &WatchWiring::shadeFrom);

    connect(&resumer_, &PortResumer::lost, this,
            [this](const QString &port, const QDateTime &, const QString &reason) {
                watchman_->portLost(port, reason);
            });
    connect(&resumer_, &PortResumer::back, this,
            [this](const QString &port, const QDateTime &, qint64 lostFor) {
                watchman_->portBack(port, lostFor);
            });
    connect(&resumer_, &PortResumer::noticeChanged, this, [this](const QString &text) {
        portNotice_ = text;
        showState();
    });

    connect(watchman_.get(), &Watchman::eventRaised, this, &WatchWiring::onEvent);
    connect(watchman_.get(), &Watchman::stateChanged, this, &WatchWiring::showState);
    connect(command_.get(), &AlarmCommand::failed, this,
            [this](const MonitorEvent &cause, const QString &detail) {
                const MonitorEvent failure =
                    AlarmCommand::failureEvent(cause, detail, clock_.now());
                // Kept and told, but not passed to the command that failed.
                if (recorder_.isRecording())
                    eventLog_->append(failure);
                tell(failure);
            });
    connect(eventLog_.get(), &EventLog::failed, this, [](const QString &reason) {
        qCWarning(lcWatch) << "Cannot write the events file:" << reason;
    });
    noticeTimer_.setInterval(1000);
    connect(&noticeTimer_, &QTimer::timeout, this, &WatchWiring::showState);
}

WatchWiring::~WatchWiring()
{
    window_.monitor().setReadingSink(&recorder_);
}

void WatchWiring::setSettings(const MonitoringSettings &settings)
{
    watchman_->setSettings(settings);
    command_->setCommand(settings.alarmCommand);
    resumer_.setEnabled(settings.resume);
    window_.monitor().setLossReported(!settings.resume);
    StripChartWidget &chart = window_.chart();
    chart.setLimitLines(0, WatchDisplay::limitLines(settings.elevation));
    chart.setLimitLines(1, WatchDisplay::limitLines(settings.azimuth));
    if (auto *elevation = window_.findChild<GaugeWidget *>(QStringLiteral("Elevation")))
        elevation->setAlarmRanges(WatchDisplay::elevationOutside(settings.elevation));
    if (auto *azimuth = window_.findChild<GaugeWidget *>(QStringLiteral("Azimuth")))
        azimuth->setAlarmRanges(WatchDisplay::azimuthOutside(settings.azimuth));
    showState();
}

const MonitoringSettings &WatchWiring::settings() const
{
    return watchman_->settings();
}

void WatchWiring::onCommandChosen(frmOrvelShow::StreamCommand command)
{
    if (command == frmOrvelShow::StreamCommand::Start)
        resumer_.streamEnded(); // Start behaves as it does without resuming
    else
        endStream();
}

void WatchWiring::onCommandDone(frmOrvelShow::StreamCommand command)
{
    if (command != frmOrvelShow::StreamCommand::Start)
        return;
    if (!port_.PortOpen()) {
        endStream();
        return;
    }
    resumer_.streamStarted();
    if (!watchman_->streaming())
        watchman_->streamStarted(resumer_.portName());
}

void WatchWiring::endStream()
{
    resumer_.streamEnded();
    if (watchman_->streaming() && !remote_)
        watchman_->streamEnded();
}

void WatchWiring::remoteStarted(const QString &name)
{
    endStream();
    remote_ = true;
    watchman_->streamStarted(name);
}

void WatchWiring::remoteEnded()
{
    remote_ = false;
    if (watchman_->streaming())
        watchman_->streamEnded();
    setSourceNotice(QString());
}

void WatchWiring::setSourceNotice(const QString &text)
{
    portNotice_ = text;
    showState();
}

void WatchWiring::onEvent(const MonitorEvent &event)
{
    if (recorder_.isRecording())
        eventLog_->append(event);
    command_->run(event);
    tell(event);
}

void WatchWiring::tell(const MonitorEvent &event)
{
    const WatchDisplay::Message message = WatchDisplay::message(event);
    const QString title =
        QCoreApplication::applicationName() + QStringLiteral(": ") + message.title;
    if (notifier_->notify(title, message.body))
        return;
    // Where no notification service answers, the tray's balloon if there is a tray.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (!tray_) {
        tray_ = new QSystemTrayIcon(window_.windowIcon(), this);
        tray_->show();
    }
    tray_->showMessage(title, message.body);
}

void WatchWiring::showState()
{
    QStringList alarms;
    const QList<Watchman::ActiveAlarm> active = watchman_->activeAlarms();
    for (const Watchman::ActiveAlarm &alarm : active)
        alarms.append(WatchDisplay::alarmNotice(alarm));
    if (const auto since = watchman_->noReadingsSince())
        alarms.append(WatchDisplay::noReadingsNotice(*since));
    if (int(alarms.size()) > alarmsShown_)
        QApplication::alert(&window_);
    alarmsShown_ = int(alarms.size());
    if (alarms.isEmpty()) {
        noticeTimer_.stop();
        window_.chart().setNotice(portNotice_, NoticeInk);
        return;
    }
    if (!noticeTimer_.isActive())
        noticeTimer_.start();
    // A lost port first: while it is away, the alarms' values are the last ones that came. A
    // remote mast's line last: it is long, and a line too long for the chart is cut at its end.
    if (!portNotice_.isEmpty()) {
        if (remote_)
            alarms.append(portNotice_);
        else
            alarms.prepend(portNotice_);
    }
    window_.chart().setNotice(alarms.join(QStringLiteral("; ")), AlarmInk);
}

void WatchWiring::shadeFrom(const QString &recordingPath)
{
    const QFileInfo file(recordingPath);
    const QString events = eventsFilePath(file.absolutePath(), file.completeBaseName());
    QPointer<WatchWiring> self(this);
    // Read off the display's thread; the chart may have moved on by the time it is read.
    QThreadPool::globalInstance()->start([self, events, recordingPath] {
        auto periods = readEventPeriods(events);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, periods = std::move(periods), recordingPath] {
                if (!self || self->port_.PortOpen())
                    return;
                const auto *list = std::get_if<QList<EventPeriod>>(&periods);
                if (!list)
                    return; // no events file: nothing to shade
                StripChartWidget &chart = self->window_.chart();
                QList<ChartMarks::Period> shaded;
                for (const EventPeriod &period : *list) {
                    ChartMarks::Period mark;
                    mark.from = ChartTime::fromMsecs(period.begin.toMSecsSinceEpoch());
                    mark.to = period.end.isValid()
                                  ? ChartTime::fromMsecs(period.end.toMSecsSinceEpoch())
                                  : qQNaN();
                    mark.color = period.startKind == MonitorEventKind::NoReadingsStart
                                     ? NoReadingsShade
                                     : AlarmShade;
                    // An alarm in its quantity's own area; no readings across both.
                    if (period.quantity == Quantity::Elevation)
                        mark.area = 0;
                    else if (period.quantity == Quantity::Azimuth)
                        mark.area = 1;
                    shaded.append(mark);
                }
                chart.setShadedPeriods(shaded);
            },
            Qt::QueuedConnection);
    });
}
