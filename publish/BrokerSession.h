#pragma once

#include "publish/OutgoingQueue.h"
#include "publish/PublisherSettings.h"
#include "publish/RefusalOnce.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

struct mosquitto;
class QThread;
class QTimer;

// The broker connection, living on a thread of its own so that connecting, name lookups, TLS
// handshakes and a broker that went away never hold up the caller. A network thread of its own
// connects, reads and writes the socket through libmosquitto and reconnects with growing waits;
// libmosquitto's callbacks are passed to this object's thread, which alone hands messages from
// the queue to libmosquitto and keeps track of what the broker has not confirmed yet.
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
    // Drains within a short while, so that readings arriving one by one leave in small batches
    // (a few thread wake-ups a batch instead of a few a reading).
    void drainSoon();
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

    void runNetwork();
    bool stopping();
    void waitBeforeRetry(int seconds);

    void connected(int rc);
    void disconnected();
    void takeConfirmed();
    // Until the broker confirmed all handed over and the status message statusMid (0: none).
    void awaitConfirmations(int statusMid);
    void reportRefusal(const QString &reason);
    void reportDropped();
    QByteArray topic(const char *leaf) const;

    const PublisherSettings settings_;
    std::shared_ptr<OutgoingQueue> queue_;
    std::shared_ptr<std::atomic<bool>> drainRequested_;
    std::shared_ptr<std::atomic<quint64>> delivered_;
    mosquitto *mosq_ = nullptr;
    bool connected_ = false;
    QThread *network_ = nullptr;
    std::mutex stopMutex_;
    std::condition_variable stopWake_;
    bool stopping_ = false;
    // The broker took the last connect (set on the network thread).
    std::atomic<bool> accepted_ = false;
    RefusalOnce refusal_;
    // Handed to libmosquitto, not confirmed yet, by message id.
    std::map<int, OutgoingMessage> unconfirmed_;
    QTimer *drainTimer_ = nullptr;
    // Message ids the network thread saw confirmed, waiting for this thread.
    std::mutex confirmedMutex_;
    std::vector<int> confirmed_;
    std::condition_variable confirmedWake_;
    // The connection is up, as the network thread last saw it.
    std::atomic<bool> linkUp_ = false;
};
