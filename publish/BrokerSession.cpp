#include "publish/BrokerSession.h"

#include "publish/BrokerClientSetup.h"
#include "publish/PublishLog.h"
#include "publish/ReconnectDelay.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <mosquitto.h>

#include <mutex>

namespace
{

// How many messages libmosquitto holds for us at once; the rest wait in the bounded queue.
constexpr qsizetype MaxUnconfirmed = 256;
constexpr qsizetype DrainBatch = 64;
// On the way out: how long the broker may take to confirm the last messages, and then to take
// the disconnect; together well inside the 2 s a service has to end.
constexpr qint64 ConfirmGraceMs = 800;
constexpr qint64 ShutdownGraceMs = 500;
// How long a reading may wait for others to leave with it.
constexpr int DrainDelayMs = 250;

} // namespace

BrokerSession::BrokerSession(const PublisherSettings &settings,
                             std::shared_ptr<OutgoingQueue> queue,
                             std::shared_ptr<std::atomic<bool>> drainRequested,
                             std::shared_ptr<std::atomic<quint64>> delivered)
    : settings_(settings), queue_(std::move(queue)), drainRequested_(std::move(drainRequested)),
      delivered_(std::move(delivered))
{
}

BrokerSession::~BrokerSession()
{
    close();
}

QByteArray BrokerSession::topic(const char *leaf) const
{
    return settings_.topicPrefix.toUtf8() + '/' + leaf;
}

void BrokerSession::open()
{
    BrokerClientSetup::initLibrary();
    drainTimer_ = new QTimer(this);
    drainTimer_->setSingleShot(true);
    drainTimer_->setInterval(DrainDelayMs);
    connect(drainTimer_, &QTimer::timeout, this, &BrokerSession::drain);
    mosq_ = mosquitto_new(nullptr, true, this);
    if (!mosq_) {
        reportRefusal(QStringLiteral("cannot make a broker client: %1")
                          .arg(QString::fromLocal8Bit(mosquitto_strerror(MOSQ_ERR_NOMEM))));
        return;
    }
    mosquitto_connect_callback_set(mosq_, &BrokerSession::onConnectCallback);
    mosquitto_disconnect_callback_set(mosq_, &BrokerSession::onDisconnectCallback);
    mosquitto_publish_callback_set(mosq_, &BrokerSession::onPublishCallback);
    mosquitto_log_callback_set(mosq_, &BrokerSession::onLogCallback);
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(mosq_, 100);
    // Called from this thread and the network thread.
    mosquitto_threaded_set(mosq_, true);

    const QByteArray statusTopic = topic("status");
    mosquitto_will_set(mosq_, statusTopic.constData(), 7, "offline", 1, true);
    const QString problem = BrokerClientSetup::apply(mosq_, settings_);
    if (!problem.isEmpty()) {
        reportRefusal(problem);
        return;
    }

    network_ = QThread::create([this] { runNetwork(); });
    network_->setObjectName(QStringLiteral("broker network"));
    network_->start();
}

// libmosquitto's own network thread gives up for good on some failures (a TLS handshake that
// fails after the connect returned); this loop tries again after every failure, waiting longer
// each time, until close().
void BrokerSession::runNetwork()
{
    const QByteArray host = settings_.broker.host.toUtf8();
    int failures = 0;
    for (bool first = true; !stopping(); first = false) {
        accepted_.store(false);
        const int rc = first ? mosquitto_connect(mosq_, host.constData(), settings_.broker.port,
                                                 settings_.keepAliveSeconds)
                             : mosquitto_reconnect(mosq_);
        if (rc == MOSQ_ERR_SUCCESS) {
            // After close(), a little time to write the last status and the disconnect.
            QDeadlineTimer grace(QDeadlineTimer::Forever);
            while (mosquitto_loop(mosq_, 1000, 1) == MOSQ_ERR_SUCCESS) {
                if (stopping() && grace.isForever())
                    grace.setRemainingTime(ShutdownGraceMs);
                if (grace.hasExpired())
                    break;
            }
        } else {
            // A failed TLS handshake is told through the log callback, in OpenSSL's words.
            qCDebug(lcPublish, "broker %s:%d: %s", host.constData(), settings_.broker.port,
                    mosquitto_strerror(rc));
        }
        failures = accepted_.load() ? 0 : failures + 1;
        waitBeforeRetry(ReconnectDelay::seconds(failures, settings_.reconnectMinSeconds,
                                                settings_.reconnectMaxSeconds));
    }
}

bool BrokerSession::stopping()
{
    std::lock_guard lock(stopMutex_);
    return stopping_;
}

void BrokerSession::waitBeforeRetry(int seconds)
{
    std::unique_lock lock(stopMutex_);
    stopWake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return stopping_; });
}

void BrokerSession::close()
{
    if (!mosq_)
        return;
    if (connected_) {
        // Queued before the disconnect, so the broker has it before the will is dropped.
        const QByteArray statusTopic = topic("status");
        int mid = 0;
        if (mosquitto_publish(mosq_, &mid, statusTopic.constData(), 7, "offline", 1, true) !=
            MOSQ_ERR_SUCCESS)
            mid = 0;
        awaitConfirmations(mid);
    }
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = true;
    }
    stopWake_.notify_all();
    mosquitto_disconnect(mosq_);
    if (network_) {
        network_->wait();
        delete network_;
        network_ = nullptr;
    }
    mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    connected_ = false;
    delete drainTimer_;
    drainTimer_ = nullptr;
}

// libmosquitto closes the socket as soon as the disconnect is written: a confirmation arriving
// after that makes the system reset the connection, and the broker then drops what it had not
// read yet (the last messages and the disconnect itself). So the disconnect waits until the
// broker has confirmed everything, for a short while at most.
void BrokerSession::awaitConfirmations(int statusMid)
{
    const QDeadlineTimer deadline(ConfirmGraceMs);
    bool statusConfirmed = statusMid == 0;
    std::unique_lock lock(confirmedMutex_);
    while (linkUp_.load() && !deadline.hasExpired()) {
        quint64 count = 0;
        for (const int mid : confirmed_) {
            statusConfirmed = statusConfirmed || mid == statusMid;
            count += unconfirmed_.erase(mid);
        }
        confirmed_.clear();
        delivered_->fetch_add(count, std::memory_order_relaxed);
        if (statusConfirmed && unconfirmed_.empty())
            break;
        confirmedWake_.wait_for(lock, std::chrono::milliseconds(deadline.remainingTime()));
    }
}

void BrokerSession::onConnectCallback(mosquitto *, void *self, int rc)
{
    auto *session = static_cast<BrokerSession *>(self);
    if (rc == 0) {
        session->accepted_.store(true);
        session->linkUp_.store(true);
    }
    QMetaObject::invokeMethod(
        session, [session, rc] { session->connected(rc); }, Qt::QueuedConnection);
}

void BrokerSession::onDisconnectCallback(mosquitto *, void *self, int)
{
    auto *session = static_cast<BrokerSession *>(self);
    {
        std::lock_guard lock(session->confirmedMutex_);
        session->linkUp_.store(false);
    }
    session->confirmedWake_.notify_all();
    QMetaObject::invokeMethod(
        session, [session] { session->disconnected(); }, Qt::QueuedConnection);
}

void BrokerSession::onPublishCallback(mosquitto *, void *self, int mid)
{
    auto *session = static_cast<BrokerSession *>(self);
    bool first = false;
    {
        std::lock_guard lock(session->confirmedMutex_);
        first = session->confirmed_.empty();
        session->confirmed_.push_back(mid);
    }
    session->confirmedWake_.notify_all();
    // One wake-up for a run of confirmations.
    if (first)
        QMetaObject::invokeMethod(session, &BrokerSession::takeConfirmed, Qt::QueuedConnection);
}

void BrokerSession::onLogCallback(mosquitto *, void *self, int level, const char *text)
{
    if (level != MOSQ_LOG_ERR || !text)
        return;
    // TLS failures are told only through the log: keep the library's words as the reason.
    auto *session = static_cast<BrokerSession *>(self);
    const QString reason = QString::fromLocal8Bit(text);
    QMetaObject::invokeMethod(
        session,
        [session, reason] {
            if (!session->connected_)
                session->reportRefusal(reason);
        },
        Qt::QueuedConnection);
}

void BrokerSession::connected(int rc)
{
    if (!mosq_)
        return;
    if (rc != 0) {
        reportRefusal(QString::fromLocal8Bit(mosquitto_connack_string(rc)));
        return;
    }
    refusal_.forget();
    const QByteArray statusTopic = topic("status");
    mosquitto_publish(mosq_, nullptr, statusTopic.constData(), 6, "online", 1, true);
    connected_ = true;
    emit connectedChanged(true);
    reportDropped();
    drain();
}

void BrokerSession::disconnected()
{
    takeConfirmed();
    const bool was = connected_;
    connected_ = false;
    // Messages at QoS 1 stay with libmosquitto, which sends them again after reconnecting;
    // those at QoS 0 it drops, and an unconfirmed one at QoS 0 was never written: queue it again.
    std::vector<OutgoingMessage> unsent;
    for (auto it = unconfirmed_.begin(); it != unconfirmed_.end();) {
        const bool qos0 =
            it->second.kind == OutgoingMessage::Kind::Reading && settings_.readingQos == 0;
        if (qos0) {
            unsent.push_back(std::move(it->second));
            it = unconfirmed_.erase(it);
        } else {
            ++it;
        }
    }
    queue_->putBack(std::move(unsent));
    if (was)
        emit connectedChanged(false);
}

void BrokerSession::takeConfirmed()
{
    std::vector<int> mids;
    {
        std::lock_guard lock(confirmedMutex_);
        mids.swap(confirmed_);
    }
    quint64 count = 0;
    for (const int mid : mids)
        count += unconfirmed_.erase(mid);
    if (count) {
        delivered_->fetch_add(count, std::memory_order_relaxed);
        drain();
    }
}

void BrokerSession::drainSoon()
{
    if (drainTimer_ && !drainTimer_->isActive())
        drainTimer_->start();
}

void BrokerSession::drain()
{
    // While disconnected the request stays raised: the caller posts no more wake-ups, and
    // connecting drains anyway.
    if (!mosq_ || !connected_)
        return;
    drainRequested_->store(false);
    const QByteArray readingTopic = topic("reading");
    const QByteArray eventTopic = topic("event");
    while (qsizetype(unconfirmed_.size()) < MaxUnconfirmed) {
        auto batch =
            queue_->take(qMin(DrainBatch, MaxUnconfirmed - qsizetype(unconfirmed_.size())));
        if (batch.empty()) {
            reportDropped();
            return;
        }
        for (std::size_t i = 0; i < batch.size(); ++i) {
            OutgoingMessage &message = batch[i];
            const bool reading = message.kind == OutgoingMessage::Kind::Reading;
            int mid = 0;
            const int rc =
                mosquitto_publish(mosq_, &mid, (reading ? readingTopic : eventTopic).constData(),
                                  int(message.payload.size()), message.payload.constData(),
                                  reading ? settings_.readingQos : 1, false);
            if (rc != MOSQ_ERR_SUCCESS) {
                // The connection went between the callback and here: keep the rest for later.
                qCDebug(lcPublish, "publish: %s", mosquitto_strerror(rc));
                queue_->putBack({std::make_move_iterator(batch.begin() + qsizetype(i)),
                                 std::make_move_iterator(batch.end())});
                return;
            }
            unconfirmed_.emplace(mid, std::move(message));
        }
    }
}

void BrokerSession::reportRefusal(const QString &reason)
{
    if (refusal_.isNew(settings_.broker, reason))
        emit refused(reason);
}

void BrokerSession::reportDropped()
{
    const OutgoingQueue::Dropped lost = queue_->takeDropped();
    if (lost.any())
        emit dropped(lost.readings, lost.events);
}
