#pragma once

#include "app/RemoteReadingOrder.h"
#include "publish/MqttSubscriber.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

class Clock;
class LiveMonitor;
class StripChart;

// A mast watched through the broker instead of the local port: each reading its publisher puts
// on the broker goes onto the chart and the gauges and to the monitor's sink (recording, alarm
// rules) as a record from the port would, and the notice line says whose readings these are.
class RemoteWatch final : public QObject
{
    Q_OBJECT

public:
    RemoteWatch(LiveMonitor &monitor, StripChart &chart, const Clock &clock,
                QObject *parent = nullptr);
    ~RemoteWatch() override;

    // Starts afresh on a cleared chart; ends any watching before.
    void start(const SubscriberSettings &settings);
    void stop();

    bool isWatching() const { return subscriber_ != nullptr; }
    // The topic prefix watched; empty when none.
    QString name() const { return name_; }
    QString notice() const { return notice_; }
    // Readings older than the one before them (a repeat after a broker restart), not shown.
    quint64 skipped() const { return order_.skipped(); }
    // Messages refused as malformed, oversized or beyond the inbox.
    quint64 refused() const { return subscriber_ ? subscriber_->refusedCount() : 0; }

signals:
    void started(const QString &name);
    void ended();
    // The notice line's text while watching; empty when the watching ends.
    void noticeChanged(const QString &text);

private:
    void onReading(const Reading &reading);
    void onStatus(const QString &status);
    void showNotice();

    LiveMonitor &monitor_;
    StripChart &chart_;
    const Clock &clock_;
    MqttSubscriber *subscriber_ = nullptr;
    QString name_;
    QString host_;
    bool connected_ = false;
    // Why the broker is not connected, when known.
    QString problem_;
    std::optional<QDateTime> lastReading_;
    std::optional<QDateTime> offlineSince_;
    RemoteReadingOrder order_;
    QString notice_;
};
