#include "MosquittoBroker.h"

#include <QDeadlineTimer>
#include <QFile>

#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// A port nobody listens on now: the kernel's choice for a socket bound to port 0.
int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

QString brokerProgram()
{
    const QString named = qEnvironmentVariable("ORVEL_MOSQUITTO");
    return named.isEmpty() ? QStringLiteral("/usr/sbin/mosquitto") : named;
}

} // namespace

MosquittoBroker::MosquittoBroker(QObject *parent) : QObject(parent)
{
    process_.setReadChannel(QProcess::StandardError);
    connect(&process_, &QProcess::readyReadStandardError, this,
            [this] { log_ += process_.readAllStandardError(); });
}

MosquittoBroker::~MosquittoBroker()
{
    stop();
}

QString MosquittoBroker::url() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(tls_ ? QStringLiteral("mqtts") : QStringLiteral("mqtt"))
        .arg(port_);
}

int MosquittoBroker::logCount(QByteArrayView text) const
{
    return int(log_.count(text));
}

bool MosquittoBroker::addUser(const QString &user, const QString &password)
{
    passwordFile_ = dir_.filePath(QStringLiteral("passwords"));
    QProcess tool;
    tool.start(QStringLiteral("/usr/bin/mosquitto_passwd"),
               {QStringLiteral("-b"), QStringLiteral("-c"), passwordFile_, user, password});
    if (!tool.waitForFinished(10000) || tool.exitCode() != 0) {
        error_ = QStringLiteral("mosquitto_passwd failed: %1")
                     .arg(QString::fromLocal8Bit(tool.readAllStandardError()));
        return false;
    }
    return true;
}

bool MosquittoBroker::useSelfSignedTls()
{
    QProcess tool;
    tool.start(QStringLiteral("openssl"),
               {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-subj"),
                QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-days"), QStringLiteral("2"),
                QStringLiteral("-keyout"), dir_.filePath(QStringLiteral("key.pem")),
                QStringLiteral("-out"), certificatePath()});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0) {
        error_ = QStringLiteral("openssl could not make a certificate: %1")
                     .arg(QString::fromLocal8Bit(tool.readAllStandardError()));
        return false;
    }
    tls_ = true;
    return true;
}

QString MosquittoBroker::certificatePath() const
{
    return dir_.filePath(QStringLiteral("cert.pem"));
}

bool MosquittoBroker::writeConfig()
{
    QByteArray config = "listener " + QByteArray::number(port_) + " 127.0.0.1\n";
    if (tls_) {
        config += "certfile " + QFile::encodeName(certificatePath()) + "\nkeyfile " +
                  QFile::encodeName(dir_.filePath(QStringLiteral("key.pem"))) + '\n';
    }
    if (passwordFile_.isEmpty()) {
        config += "allow_anonymous true\n";
    } else {
        config += "allow_anonymous false\npassword_file " + QFile::encodeName(passwordFile_) + '\n';
    }
    // Run as root (a container), it would switch to its own user, who cannot read this folder.
    if (::geteuid() == 0)
        config += "user root\n";
    config += "persistence true\npersistence_location " + QFile::encodeName(dir_.path()) +
              "/\nlog_dest stderr\nlog_type all\nmax_queued_messages 100000\n";
    QFile file(dir_.filePath(QStringLiteral("mosquitto.conf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        error_ = QStringLiteral("cannot write %1").arg(file.fileName());
        return false;
    }
    return true;
}

bool MosquittoBroker::start(int timeoutMs)
{
    stop();
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder");
        return false;
    }
    // Another process may take the free port between the look and the broker's bind: try anew.
    const bool fixedPort = port_ != 0;
    for (int attempt = 0; attempt < (fixedPort ? 1 : 3); ++attempt) {
        if (!fixedPort)
            port_ = freeLoopbackPort();
        if (port_ == 0 || !writeConfig())
            return false;
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        const qsizetype logStart = log_.size();
        process_.start(brokerProgram(),
                       {QStringLiteral("-c"), dir_.filePath(QStringLiteral("mosquitto.conf"))});
        if (!process_.waitForStarted(timeoutMs)) {
            error_ =
                QStringLiteral("cannot start %1: %2").arg(brokerProgram(), process_.errorString());
            return false;
        }
        const QDeadlineTimer deadline(timeoutMs);
        const QByteArray listening = "listen socket on port " + QByteArray::number(port_);
        // waitForReadyRead delivers the lines to log_ through readyReadStandardError.
        while (!log_.sliced(logStart).contains(listening) && !deadline.hasExpired() &&
               process_.state() == QProcess::Running)
            process_.waitForReadyRead(int(deadline.remainingTime()));
        if (process_.state() == QProcess::Running && log_.sliced(logStart).contains(listening))
            return true;
        error_ = QStringLiteral("the broker did not come up on port %1: %2")
                     .arg(port_)
                     .arg(QString::fromLocal8Bit(log_.sliced(logStart)));
        stop();
    }
    return false;
}

void MosquittoBroker::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
    log_ += process_.readAllStandardError();
}
