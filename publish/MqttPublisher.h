#pragma once

#include "publish/OutgoingQueue.h"
#include "publish/PublishedEvent.h"
#include "publish/PublisherSettings.h"
#include "recording/ReadingSink.h"

#include <QObject>

#include <atomic>
#include <memory>

class BrokerSession;
class QThread;

// Publishes readings and events to an MQTT broker:
//   PREFIX/reading  one message per accepted reading (QoS 0, or 1 when asked)
//   PREFIX/event    one message per event (QoS 1)
//   PREFIX/status   "online" while connected, "offline" after (retained; the will when the
//                   process dies)
// Called on the caller's thread, it only formats the message and queues it: the broker's
// connection runs on a thread of its own, and while the broker is away messages wait in a
// bounded queue; what does not fit is counted and reported by dropped() when the connection
// comes back.
class MqttPublisher : public QObject, public ReadingSink
{
    Q_OBJECT

public:
    explicit MqttPublisher(const PublisherSettings &settings, QObject *parent = nullptr);
    // Says "offline", disconnects, and waits a few seconds at most for the connection's thread.
    ~MqttPublisher() override;

    void readingAccepted(const Reading &reading) override;
    void publishEvent(const PublishedEvent &event);

    bool isConnected() const { return connected_; }
    // Messages the broker has taken (QoS 1) or that were written to it (QoS 0), since the start.
    quint64 deliveredCount() const { return delivered_->load(std::memory_order_relaxed); }
    const PublisherSettings &settings() const { return settings_; }

signals:
    void connectedChanged(bool connected);
    // The broker refused the login or the TLS certificate: once per reason, with the broker's
    // or the TLS library's words.
    void refused(const QString &reason);
    // Readings and events that did not fit the queue since the last report.
    void dropped(quint64 readings, quint64 events);

private:
    void enqueue(OutgoingMessage::Kind kind, QByteArray payload);

    const PublisherSettings settings_;
    std::shared_ptr<OutgoingQueue> queue_;
    std::shared_ptr<std::atomic<bool>> drainRequested_;
    std::shared_ptr<std::atomic<quint64>> delivered_;
    QThread *thread_ = nullptr;
    BrokerSession *session_ = nullptr;
    bool connected_ = false;
};
