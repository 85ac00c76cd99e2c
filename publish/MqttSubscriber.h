#pragma once

#include "publish/BrokerConnection.h"
#include "publish/RefusalOnce.h"
#include "recording/Reading.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QThread;

// Everything one subscriber needs to know.
struct SubscriberSettings : BrokerConnection {
    // Messages that may wait for the receiver (five and a half minutes of readings at 74 a
    // second); more are counted as refused, so a flood costs a fixed amount of memory.
    qsizetype inboxCapacity = 24000;
};

// Listens to one publisher's topics on an MQTT broker. The connection runs on a thread of its
// own and tries again with growing waits while the broker cannot be reached; what arrives waits
// in a bounded inbox and is handed on, in order, on the thread that made the subscriber.
class MqttSubscriber : public QObject
{
    Q_OBJECT

public:
    explicit MqttSubscriber(const SubscriberSettings &settings, QObject *parent = nullptr);
    // Disconnects. A connection stuck in a name lookup or a connect is left to end by itself.
    ~MqttSubscriber() override;

    const SubscriberSettings &settings() const { return settings_; }
    bool isConnected() const { return connected_; }
    // Messages refused since the start: malformed, oversized, or beyond the inbox.
    quint64 refusedCount() const { return refusedCount_; }

    // The largest event or status message kept; a longer one is refused.
    static constexpr qsizetype MaxEventBytes = 16 * 1024;

signals:
    void connectedChanged(bool connected);
    // The broker cannot be reached (each failed try), with the library's reason.
    void unreachable(const QString &reason);
    // The broker refused the login, or the TLS handshake failed: once per reason until a
    // connection succeeds.
    void refused(const QString &reason);
    void readingReceived(const Reading &reading);
    // "online" or "offline" (the retained one on subscribing, too).
    void statusReceived(const QString &status);
    // An event's JSON as published.
    void eventReceived(const QByteArray &payload);
    // Some messages were refused; the count since the start.
    void messagesRefused(quint64 total);

private:
    struct Link;
    void takeInbox();
    void setConnected(bool connected);
    void reportRefusal(const QString &reason);

    const SubscriberSettings settings_;
    std::shared_ptr<Link> link_;
    QThread *network_ = nullptr;
    bool connected_ = false;
    quint64 refusedCount_ = 0;
    RefusalOnce refusal_;
};
