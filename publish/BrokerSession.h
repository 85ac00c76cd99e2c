#pragma once

#include "publish/OutgoingQueue.h"
#include "publish/PublisherSettings.h"

#include <QObject>

#include <atomic>
#include <map>
#include <memory>

struct mosquitto;

// The broker connection, living on a thread of its own so that connecting, name lookups, TLS
// handshakes and a broker that went away never hold up the caller. libmosquitto's network thread
// reads and writes the socket and reconnects with growing waits; its callbacks are passed to this
// object's thread, which alone hands messages from the queue to libmosquitto and keeps track of
// what the broker has not confirmed yet.
class BrokerSession : public QObject
{
    Q_OBJECT

public:
    BrokerSession(const PublisherSettings &settings, std::shared_ptr<OutgoingQueue> queue,
                  std::shared_ptr<std::atomic<bool>> drainRequested,
                  std::shared_ptr<std::atomic<quint64>> delivered);
    ~BrokerSession() override;

    // Called on the session's thread.
    void open();
    void drain();
    // Says "offline" on the status topic, disconnects and stops the network thread.
    void close();

signals:
    void connectedChanged(bool connected);
    // The broker refused the login or the TLS handshake failed, with the reason; once per reason
    // until a connection succeeds.
    void refused(const QString &reason);
    // Messages that did not fit the queue, counted since the last report; reported when the
    // connection comes (back) and when the queue runs empty while connected.
    void dropped(quint64 readings, quint64 events);

private:
    static void onConnectCallback(mosquitto *, void *self, int rc);
    static void onDisconnectCallback(mosquitto *, void *self, int rc);
    static void onPublishCallback(mosquitto *, void *self, int mid);
    static void onLogCallback(mosquitto *, void *self, int level, const char *text);

    void connected(int rc);
    void disconnected();
    void published(int mid);
    void reportRefusal(const QString &reason);
    void reportDropped();
    QByteArray topic(const char *leaf) const;

    const PublisherSettings settings_;
    std::shared_ptr<OutgoingQueue> queue_;
    std::shared_ptr<std::atomic<bool>> drainRequested_;
    std::shared_ptr<std::atomic<quint64>> delivered_;
    mosquitto *mosq_ = nullptr;
    bool connected_ = false;
    bool loopRunning_ = false;
    QString lastRefusal_;
    // Handed to libmosquitto, not confirmed yet, by message id.
    std::map<int, OutgoingMessage> unconfirmed_;
};
