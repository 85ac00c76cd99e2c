#include "publish/MqttSubscriber.h"

#include "publish/BrokerClientSetup.h"
#include "publish/PublishLog.h"
#include "publish/ReadingPayload.h"
#include "publish/ReconnectDelay.h"

#include <QPointer>
#include <QThread>

#include <mosquitto.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace
{

// How long the caller waits for the connection's thread to end.
constexpr unsigned long StopWaitMs = 1000;
// The inbox's bytes at most, whatever the messages' sizes: a flood of the largest events
// must not cost what the count of readings allows.
constexpr qsizetype MaxInboxBytes = 8 * 1024 * 1024;

enum class Leaf { Reading, Status, Event, Other };

struct Incoming {
    Leaf leaf = Leaf::Other;
    QByteArray payload;
    bool oversized = false;
};

} // namespace

// What the connection's thread shares with the subscriber. The thread holds it too, so a
// thread that outlives the subscriber still has it; receiver is then null and nothing is told.
struct MqttSubscriber::Link {
    SubscriberSettings settings;
    QByteArray readingTopic;
    QByteArray statusTopic;
    QByteArray eventTopic;
    mosquitto *client = nullptr;
    std::atomic<bool> accepted = false;

    std::mutex mutex; // guards what follows
    std::condition_variable wake;
    bool stopping = false;
    MqttSubscriber *receiver = nullptr;
    std::deque<Incoming> inbox;
    qsizetype inboxBytes = 0;
    quint64 overflow = 0;

    ~Link()
    {
        if (client)
            mosquitto_destroy(client);
    }

    bool isStopping()
    {
        std::lock_guard lock(mutex);
        return stopping;
    }

    // Runs call(receiver) on the receiver's thread, unless the receiver has gone.
    template <typename Call> void tell(Call call)
    {
        std::lock_guard lock(mutex);
        if (!receiver)
            return;
        MqttSubscriber *to = receiver;
        QMetaObject::invokeMethod(
            to, [to, call = std::move(call)] { call(to); }, Qt::QueuedConnection);
    }

    void run();
    void received(const mosquitto_message &message);

    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);
    static void onLog(mosquitto *, void *self, int level, const char *text);
};

void MqttSubscriber::Link::run()
{
    const QByteArray host = settings.broker.host.toUtf8();
    int failures = 0;
    for (bool first = true; !isStopping(); first = false) {
        accepted.store(false);
        const int rc = first ? mosquitto_connect(client, host.constData(), settings.broker.port,
                                                 settings.keepAliveSeconds)
                             : mosquitto_reconnect(client);
        if (rc == MOSQ_ERR_SUCCESS) {
            while (mosquitto_loop(client, 1000, 1) == MOSQ_ERR_SUCCESS && !isStopping()) {
            }
        } else {
            const QString reason = QString::fromLocal8Bit(mosquitto_strerror(rc));
            tell([reason](MqttSubscriber *to) { emit to->unreachable(reason); });
        }
        failures = accepted.load() ? 0 : failures + 1;
        const int wait = ReconnectDelay::seconds(failures, settings.reconnectMinSeconds,
                                                 settings.reconnectMaxSeconds);
        std::unique_lock lock(mutex);
        wake.wait_for(lock, std::chrono::seconds(wait), [this] { return stopping; });
    }
}

void MqttSubscriber::Link::received(const mosquitto_message &message)
{
    const QByteArrayView topic(message.topic);
    Incoming incoming;
    if (topic == readingTopic)
        incoming.leaf = Leaf::Reading;
    else if (topic == statusTopic)
        incoming.leaf = Leaf::Status;
    else if (topic == eventTopic)
        incoming.leaf = Leaf::Event;
    const qsizetype limit =
        incoming.leaf == Leaf::Reading ? ReadingPayload::MaxBytes : MqttSubscriber::MaxEventBytes;
    // Never more than the limit is copied, whatever the broker passes on.
    if (message.payloadlen > limit)
        incoming.oversized = true;
    else
        incoming.payload =
            QByteArray(static_cast<const char *>(message.payload), message.payloadlen);

    std::lock_guard lock(mutex);
    if (!receiver)
        return;
    if (qsizetype(inbox.size()) >= settings.inboxCapacity ||
        inboxBytes + incoming.payload.size() > MaxInboxBytes) {
        ++overflow;
        return;
    }
    const bool first = inbox.empty();
    inboxBytes += incoming.payload.size();
    inbox.push_back(std::move(incoming));
    // One wake-up for a run of messages: the receiver takes all it finds.
    if (first)
        QMetaObject::invokeMethod(receiver, &MqttSubscriber::takeInbox, Qt::QueuedConnection);
}

void MqttSubscriber::Link::onConnect(mosquitto *client, void *self, int rc)
{
    auto *link = static_cast<Link *>(self);
    if (rc != 0) {
        const QString reason = QString::fromLocal8Bit(mosquitto_connack_string(rc));
        link->tell([reason](MqttSubscriber *to) { to->reportRefusal(reason); });
        return;
    }
    link->accepted.store(true);
    // QoS 1 at most: readings published at QoS 1 keep their at-least-once.
    for (const QByteArray *topic : {&link->readingTopic, &link->statusTopic, &link->eventTopic})
        mosquitto_subscribe(client, nullptr, topic->constData(), 1);
    link->tell([](MqttSubscriber *to) { to->setConnected(true); });
}

void MqttSubscriber::Link::onDisconnect(mosquitto *, void *self, int)
{
    auto *link = static_cast<Link *>(self);
    link->tell([](MqttSubscriber *to) { to->setConnected(false); });
}

void MqttSubscriber::Link::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    if (message && message->topic)
        static_cast<Link *>(self)->received(*message);
}

void MqttSubscriber::Link::onLog(mosquitto *, void *self, int level, const char *text)
{
    if (level != MOSQ_LOG_ERR || !text)
        return;
    // TLS failures are told only through the log: the library's words are the reason.
    auto *link = static_cast<Link *>(self);
    const QString reason = QString::fromLocal8Bit(text);
    link->tell([reason](MqttSubscriber *to) {
        if (!to->connected_)
            to->reportRefusal(reason);
    });
}

MqttSubscriber::MqttSubscriber(const SubscriberSettings &settings, QObject *parent)
    : QObject(parent), settings_(settings), link_(std::make_shared<Link>())
{
    BrokerClientSetup::initLibrary();
    Link &link = *link_;
    link.settings = settings;
    const QByteArray prefix = settings.topicPrefix.toUtf8();
    link.readingTopic = prefix + "/reading";
    link.statusTopic = prefix + "/status";
    link.eventTopic = prefix + "/event";
    link.receiver = this;
    link.client = mosquitto_new(nullptr, true, &link);
    if (!link.client) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                reportRefusal(QStringLiteral("cannot make a broker client: %1")
                                  .arg(QString::fromLocal8Bit(mosquitto_strerror(MOSQ_ERR_NOMEM))));
            },
            Qt::QueuedConnection);
        return;
    }
    mosquitto_connect_callback_set(link.client, &Link::onConnect);
    mosquitto_disconnect_callback_set(link.client, &Link::onDisconnect);
    mosquitto_message_callback_set(link.client, &Link::onMessage);
    mosquitto_log_callback_set(link.client, &Link::onLog);
    mosquitto_int_option(link.client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // Disconnected from this thread while the connection's thread runs.
    mosquitto_threaded_set(link.client, true);
    const QString problem = BrokerClientSetup::apply(link.client, settings);
    if (!problem.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this, problem] { reportRefusal(problem); }, Qt::QueuedConnection);
        return;
    }
    network_ = QThread::create([link = link_] { link->run(); });
    network_->setObjectName(QStringLiteral("broker subscriber"));
    network_->start();
}

MqttSubscriber::~MqttSubscriber()
{
    {
        std::lock_guard lock(link_->mutex);
        link_->receiver = nullptr;
        link_->stopping = true;
    }
    link_->wake.notify_all();
    if (!network_)
        return;
    mosquitto_disconnect(link_->client);
    if (network_->wait(StopWaitMs)) {
        delete network_;
        return;
    }
    qCWarning(lcPublish, "broker %s:%d does not answer; its connection is left to end by itself",
              qPrintable(settings_.broker.host), settings_.broker.port);
    QThread *thread = network_;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
}

void MqttSubscriber::setConnected(bool connected)
{
    if (connected)
        refusal_.forget();
    if (connected == connected_)
        return;
    connected_ = connected;
    emit connectedChanged(connected);
}

void MqttSubscriber::reportRefusal(const QString &reason)
{
    if (refusal_.isNew(settings_.broker, reason))
        emit refused(reason);
}

void MqttSubscriber::takeInbox()
{
    std::deque<Incoming> taken;
    quint64 refused = 0;
    {
        std::lock_guard lock(link_->mutex);
        taken.swap(link_->inbox);
        link_->inboxBytes = 0;
        std::swap(refused, link_->overflow);
    }
    QPointer<MqttSubscriber> self(this);
    for (Incoming &incoming : taken) {
        if (incoming.oversized) {
            ++refused;
            continue;
        }
        switch (incoming.leaf) {
        case Leaf::Reading: {
            const auto parsed = ReadingPayload::parse(incoming.payload);
            if (const Reading *reading = std::get_if<Reading>(&parsed))
                emit readingReceived(*reading);
            else
                ++refused;
            break;
        }
        case Leaf::Status:
            if (incoming.payload == "online" || incoming.payload == "offline")
                emit statusReceived(QString::fromLatin1(incoming.payload));
            else
                ++refused;
            break;
        case Leaf::Event:
            emit eventReceived(incoming.payload);
            break;
        case Leaf::Other:
            ++refused;
            break;
        }
        // A receiver may end the watching, and with it this subscriber, from a signal.
        if (!self)
            return;
    }
    if (refused) {
        // Told once: a publisher of another kind on these topics would fill the log.
        if (!refusedCount_)
            qCWarning(lcPublish,
                      "broker %s:%d: messages under %s that are not this program's "
                      "are passed over",
                      qPrintable(settings_.broker.host), settings_.broker.port,
                      qPrintable(settings_.topicPrefix));
        refusedCount_ += refused;
        emit messagesRefused(refusedCount_);
    }
}
