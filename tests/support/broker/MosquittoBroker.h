#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Runs the system's MQTT broker (/usr/sbin/mosquitto, or ORVEL_MOSQUITTO) for a test, on a free
// loopback port with a config of its own in a temporary folder:
//
//     MosquittoBroker broker;
//     QVERIFY2(broker.start(), qPrintable(broker.errorString()));
//     ... connect to 127.0.0.1:broker.port() ...
//     broker.stop();   // and start() again: the same port, the sessions kept on disk
//
// With a user added before the first start, anonymous clients are refused; with TLS, plain
// clients are. Everything the broker
// logs is kept (log()), so a test can count what it saw.
class MosquittoBroker : public QObject
{
    Q_OBJECT

public:
    explicit MosquittoBroker(QObject *parent = nullptr);
    ~MosquittoBroker() override;

    // Only this user and password may connect; call before start().
    bool addUser(const QString &user, const QString &password);
    // Listens with TLS only, with a certificate made for the occasion (signed by itself, so no
    // system certificate authority vouches for it); call before start().
    bool useSelfSignedTls();
    // The certificate, to trust it.
    QString certificatePath() const;
    // Starts it (on the port of the last start, if any) and waits until it listens.
    bool start(int timeoutMs = 10000);
    // Ends it with SIGTERM, as a system shutdown does, so it saves its sessions.
    void stop();

    bool isRunning() const { return process_.state() != QProcess::NotRunning; }
    int port() const { return port_; }
    QString url() const;
    QString errorString() const { return error_; }
    // All it has logged, both runs.
    QByteArray log() const { return log_; }
    int logCount(QByteArrayView text) const;

private:
    bool writeConfig();

    QProcess process_;
    QTemporaryDir dir_;
    QString passwordFile_;
    bool tls_ = false;
    QByteArray log_;
    QString error_;
    int port_ = 0;
};
