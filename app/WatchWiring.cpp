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

WatchWiring::WatchWiring(const Parts &parts, QObject *parent)
    : QObject(parent), window_(parts.window), port_(parts.port), clock_(parts.clock),
      station_({parts.port, parts.clock, parts.recorder, parts.identify,
                [this] { window_.monitor().resumeStream(); }}),
      notifier_(std::make_unique<DesktopNotifier>(QCoreApplication::applicationName()))
{
    window_.monitor().setReadingSink(&station_.sink());

    connect(&window_, &frmOrvelShow::streamCommandChosen, this, &WatchWiring::onCommandChosen);
    connect(&window_, &frmOrvelShow::streamCommandDone, this, &WatchWiring::onCommandDone);
    connect(&parts.opener, &RecordingOpener::opening, this, [this] { endStream(); });
    connect(&parts.opener, &RecordingOpener::loaded, this, &WatchWiring::shadeFrom);

    connect(&station_.resumer(), &PortResumer::noticeChanged, this, [this](const QString &text) {
        portNotice_ = text;
        showState();
    });
    connect(&station_, &Station::eventRaised, this, &WatchWiring::tell);
    connect(&station_.watchman(), &Watchman::stateChanged, this, &WatchWiring::showState);
    noticeTimer_.setInterval(1000);
    connect(&noticeTimer_, &QTimer::timeout, this, &WatchWiring::showState);
}

WatchWiring::~WatchWiring()
{
    window_.monitor().setReadingSink(&station_.recorder());
}

void WatchWiring::setSettings(const MonitoringSettings &settings)
{
    station_.setSettings(settings);
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
    return station_.settings();
}

void WatchWiring::onCommandChosen(frmOrvelShow::StreamCommand command)
{
    if (command == frmOrvelShow::StreamCommand::Start)
        station_.resumer().streamEnded(); // Start behaves as it does without resuming
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
    station_.streamStarted();
}

void WatchWiring::endStream()
{
    // While a remote mast is watched the rules go on watching it: only the local resuming ends.
    if (remote_)
        station_.resumer().streamEnded();
    else
        station_.streamEnded();
}

void WatchWiring::remoteStarted(const QString &name)
{
    endStream();
    remote_ = true;
    station_.watchman().streamStarted(name);
}

void WatchWiring::remoteEnded()
{
    remote_ = false;
    if (station_.watchman().streaming())
        station_.watchman().streamEnded();
    setSourceNotice(QString());
}

void WatchWiring::setSourceNotice(const QString &text)
{
    portNotice_ = text;
    showState();
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
    const QList<Watchman::ActiveAlarm> active = station_.watchman().activeAlarms();
    for (const Watchman::ActiveAlarm &alarm : active)
        alarms.append(WatchDisplay::alarmNotice(alarm));
    if (const auto since = station_.watchman().noReadingsSince())
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
