#include "app/RemoteWatch.h"

#include "monitor/LiveMonitor.h"
#include "platform/display/StripChart.h"
#include "platform/runtime/Clock.h"

#include <cmath>

namespace
{

QString clockText(const QDateTime &at)
{
    return at.toString(QStringLiteral("HH:mm:ss"));
}

std::optional<double> present(double value)
{
    return std::isnan(value) ? std::nullopt : std::optional(value);
}

} // namespace

RemoteWatch::RemoteWatch(LiveMonitor &monitor, StripChart &chart, const Clock &clock,
                         QObject *parent)
    : QObject(parent), monitor_(monitor), chart_(chart), clock_(clock)
{
}

RemoteWatch::~RemoteWatch()
{
    delete subscriber_;
}

void RemoteWatch::start(const SubscriberSettings &settings)
{
    stop();
    name_ = settings.topicPrefix;
    host_ = settings.broker.host;
    connected_ = false;
    problem_.clear();
    lastReading_.reset();
    offlineSince_.reset();
    order_ = {};
    // A fresh chart, as Start gives one.
    chart_.ClearChart();
    chart_.setChartMode(2);
    chart_.setTimeScale(1.0 / 1440.0);

    // A child, so one whose deletion is still pending goes with the watch at the latest.
    subscriber_ = new MqttSubscriber(settings, this);
    connect(subscriber_, &MqttSubscriber::readingReceived, this, &RemoteWatch::onReading);
    connect(subscriber_, &MqttSubscriber::statusReceived, this, &RemoteWatch::onStatus);
    // Until a reading comes, the notice says why none did.
    connect(subscriber_, &MqttSubscriber::messagesRefused, this, &RemoteWatch::showNotice);
    connect(subscriber_, &MqttSubscriber::connectedChanged, this, [this](bool connected) {
        connected_ = connected;
        if (connected)
            problem_.clear();
        else
            problem_ = QStringLiteral("broker lost at %1").arg(clockText(clock_.now()));
        showNotice();
    });
    connect(subscriber_, &MqttSubscriber::unreachable, this, [this](const QString &reason) {
        if (!connected_ && problem_.isEmpty()) {
            problem_ = QStringLiteral("cannot reach the broker (%1)").arg(reason);
            showNotice();
        }
    });
    connect(subscriber_, &MqttSubscriber::refused, this, [this](const QString &reason) {
        problem_ = QStringLiteral("the broker refused: %1").arg(reason);
        showNotice();
    });
    emit started(name_);
    showNotice();
}

void RemoteWatch::stop()
{
    if (!subscriber_)
        return;
    // Later: stop() may be called from one of the subscriber's own signals.
    subscriber_->disconnect(this);
    subscriber_->deleteLater();
    subscriber_ = nullptr;
    name_.clear();
    notice_.clear();
    emit ended();
    emit noticeChanged(QString());
}

void RemoteWatch::onReading(const Reading &reading)
{
    const QDateTime now = clock_.now();
    const std::optional<qint64> ms = order_.place(reading.msecsSinceEpoch, now.toMSecsSinceEpoch());
    if (!ms)
        return;
    StreamRecord record;
    record.elevation = present(reading.elevation);
    record.azimuth = present(reading.azimuth);
    // In this machine's own time zone, as its chart and day files are.
    record.arrival = now.addMSecs(*ms - now.toMSecsSinceEpoch());
    lastReading_ = record.arrival;
    offlineSince_.reset();
    monitor_.showRecord(record);
    // Told on only when its text changes: once a second at most.
    showNotice();
}

void RemoteWatch::onStatus(const QString &status)
{
    if (status == u"offline") {
        if (!offlineSince_)
            offlineSince_ = clock_.now();
    } else {
        offlineSince_.reset();
    }
    showNotice();
}

void RemoteWatch::showNotice()
{
    QString text = QStringLiteral("Watching %1 on %2").arg(name_, host_);
    if (!connected_) {
        text += problem_.isEmpty()
                    ? QStringLiteral(": connecting to the broker")
                    : QStringLiteral(": ") + problem_ + QStringLiteral(", trying again");
    } else if (offlineSince_) {
        text += QStringLiteral(", offline since ") + clockText(*offlineSince_);
    }
    if (lastReading_)
        text += QStringLiteral(", last reading ") + clockText(*lastReading_);
    else if (refused() > 0)
        text += QStringLiteral(", %1 unreadable messages").arg(refused());
    else if (connected_ && !offlineSince_)
        text += QStringLiteral(", no reading yet");
    if (text == notice_)
        return;
    notice_ = text;
    emit noticeChanged(text);
}
