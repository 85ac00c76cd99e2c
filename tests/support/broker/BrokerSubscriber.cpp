#include "BrokerSubscriber.h"

#include <QSet>

#include <mosquitto.h>

BrokerSubscriber::BrokerSubscriber(int port, const QByteArray &topicFilter, int qos,
                                   const QByteArray &clientId, bool keepSession)
    : filter_(topicFilter), qos_(qos)
{
    mosquitto_lib_init();
    mosq_ = mosquitto_new(clientId.isEmpty() ? nullptr : clientId.constData(), !keepSession, this);
    mosquitto_connect_callback_set(mosq_, &BrokerSubscriber::onConnect);
    mosquitto_subscribe_callback_set(mosq_, &BrokerSubscriber::onSubscribe);
    mosquitto_message_callback_set(mosq_, &BrokerSubscriber::onMessage);
    mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
    mosquitto_connect(mosq_, "127.0.0.1", port, 30);
    mosquitto_loop_start(mosq_);
}

BrokerSubscriber::~BrokerSubscriber()
{
    mosquitto_disconnect(mosq_);
    mosquitto_loop_stop(mosq_, false);
    mosquitto_destroy(mosq_);
}

void BrokerSubscriber::onConnect(mosquitto *mosq, void *self, int rc)
{
    auto *subscriber = static_cast<BrokerSubscriber *>(self);
    if (rc == 0)
        mosquitto_subscribe(mosq, nullptr, subscriber->filter_.constData(), subscriber->qos_);
}

void BrokerSubscriber::onSubscribe(mosquitto *, void *self, int, int, const int *)
{
    auto *subscriber = static_cast<BrokerSubscriber *>(self);
    QMutexLocker lock(&subscriber->mutex_);
    subscriber->subscribed_ = true;
}

void BrokerSubscriber::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *subscriber = static_cast<BrokerSubscriber *>(self);
    QMutexLocker lock(&subscriber->mutex_);
    subscriber->messages_.append(
        {QByteArray(message->topic),
         QByteArray(static_cast<const char *>(message->payload), message->payloadlen),
         message->retain});
}

bool BrokerSubscriber::publish(const QByteArray &topic, const QByteArray &payload, bool retain)
{
    return mosquitto_publish(mosq_, nullptr, topic.constData(), int(payload.size()),
                             payload.constData(), 1, retain) == MOSQ_ERR_SUCCESS;
}

bool BrokerSubscriber::isSubscribed() const
{
    QMutexLocker lock(&mutex_);
    return subscribed_;
}

QList<BrokerSubscriber::Message> BrokerSubscriber::messages() const
{
    QMutexLocker lock(&mutex_);
    return messages_;
}

qsizetype BrokerSubscriber::count() const
{
    QMutexLocker lock(&mutex_);
    return messages_.size();
}

QList<QByteArray> BrokerSubscriber::payloads(const QByteArray &topic) const
{
    QList<QByteArray> found;
    QMutexLocker lock(&mutex_);
    for (const Message &message : messages_) {
        if (message.topic == topic)
            found.append(message.payload);
    }
    return found;
}

QByteArray BrokerSubscriber::last(const QByteArray &topic) const
{
    QMutexLocker lock(&mutex_);
    for (auto it = messages_.crbegin(); it != messages_.crend(); ++it) {
        if (it->topic == topic)
            return it->payload;
    }
    return {};
}

// At least once may bring a message twice around a broker restart: the first of each counts.
QList<QByteArray> withoutRepeats(const QList<QByteArray> &payloads)
{
    QList<QByteArray> unique;
    QSet<QByteArray> seen;
    for (const QByteArray &payload : payloads) {
        if (!seen.contains(payload)) {
            seen.insert(payload);
            unique.append(payload);
        }
    }
    return unique;
}
