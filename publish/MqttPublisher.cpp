#include "publish/MqttPublisher.h"

#include "platform/runtime/WorkerThread.h"
#include "publish/BrokerSession.h"
#include "publish/MessagePayload.h"
#include "publish/PublishLog.h"

#include <QThread>

namespace
{

constexpr unsigned long ShutdownWaitMs = 3000;

} // namespace

MqttPublisher::MqttPublisher(const PublisherSettings &settings, QObject *parent)
    : QObject(parent), settings_(settings),
      queue_(std::make_shared<OutgoingQueue>(settings.readingCapacity, settings.eventCapacity)),
      drainRequested_(std::make_shared<std::atomic<bool>>(false)),
      delivered_(std::make_shared<std::atomic<quint64>>(0))
{
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("broker"));
    session_ = new BrokerSession(settings_, queue_, drainRequested_, delivered_);
    session_->moveToThread(thread_);
    connect(thread_, &QThread::started, session_, &BrokerSession::open);
    connect(
        session_, &BrokerSession::connectedChanged, this,
        [this](bool connected) {
            connected_ = connected;
            emit connectedChanged(connected);
        },
        Qt::QueuedConnection);
    connect(session_, &BrokerSession::refused, this, &MqttPublisher::refused, Qt::QueuedConnection);
    connect(session_, &BrokerSession::dropped, this, &MqttPublisher::dropped, Qt::QueuedConnection);
    thread_->start();
}

MqttPublisher::~MqttPublisher()
{
    // After what the caller queued: the session drains it first when it is connected.
    QMetaObject::invokeMethod(
        session_,
        [session = session_] {
            session->drain();
            session->close();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    if (!endWorkerThread(thread_, session_, ShutdownWaitMs))
        qCWarning(lcPublish, "broker %s:%d does not answer; what waited to be published is lost",
                  qPrintable(settings_.broker.host), settings_.broker.port);
}

void MqttPublisher::readingAccepted(const Reading &reading)
{
    enqueue(OutgoingMessage::Kind::Reading, MessagePayload::reading(reading));
}

void MqttPublisher::publishEvent(const PublishedEvent &event)
{
    enqueue(OutgoingMessage::Kind::Event, MessagePayload::event(event));
}

void MqttPublisher::enqueue(OutgoingMessage::Kind kind, QByteArray payload)
{
    if (!queue_->push(kind, std::move(payload)))
        return;
    // One wake-up for a run of messages: the session drains all it finds.
    if (!drainRequested_->exchange(true))
        QMetaObject::invokeMethod(session_, &BrokerSession::drainSoon, Qt::QueuedConnection);
}
