#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

struct mosquitto;

// A subscriber for tests: connects to a broker on the loopback, subscribes (again after every
// reconnect) and keeps every message it receives. With a client id and keepSession, the broker
// keeps the subscription and queues QoS 1 messages while this subscriber is away, also across a
// broker restart.
class BrokerSubscriber
{
public:
    struct Message {
        QByteArray topic;
        QByteArray payload;
        bool retained = false;
    };

    BrokerSubscriber(int port, const QByteArray &topicFilter, int qos = 1,
                     const QByteArray &clientId = {}, bool keepSession = false);
    ~BrokerSubscriber();

    // Publishes as any client could, whatever the payload (QoS 1).
    bool publish(const QByteArray &topic, const QByteArray &payload, bool retain = false);
    // True once the broker has confirmed the subscription.
    bool isSubscribed() const;
    QList<Message> messages() const;
    qsizetype count() const;
    // The payloads received on the topic, in order.
    QList<QByteArray> payloads(const QByteArray &topic) const;
    // The last payload received on the topic; empty when none.
    QByteArray last(const QByteArray &topic) const;

private:
    static void onConnect(mosquitto *, void *self, int rc);
    static void onSubscribe(mosquitto *, void *self, int, int, const int *);
    static void onMessage(mosquitto *, void *self, const struct mosquitto_message *message);

    mosquitto *mosq_ = nullptr;
    const QByteArray filter_;
    const int qos_;
    mutable QMutex mutex_;
    QList<Message> messages_;
    bool subscribed_ = false;
};

// At least once may bring a message twice around a broker restart: the first of each counts.
QList<QByteArray> withoutRepeats(const QList<QByteArray> &payloads);
