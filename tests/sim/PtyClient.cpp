#include "PtyClient.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

bool PtyClient::open(const QString &path)
{
    close();
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0)
        return false;
    termios mode{};
    ::tcgetattr(fd_, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(fd_, TCSANOW, &mode);
    return true;
}

void PtyClient::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool PtyClient::write(const QByteArray &bytes)
{
    return ::write(fd_, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

QByteArray PtyClient::readOnce(const QDeadlineTimer &deadline)
{
    pollfd wait{fd_, POLLIN, 0};
    if (::poll(&wait, 1, int(deadline.remainingTime())) <= 0)
        return {};
    char buffer[4096];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    return n > 0 ? QByteArray(buffer, n) : QByteArray();
}

QList<PtyClient::Piece> PtyClient::readPieces(int ms)
{
    QList<Piece> pieces;
    QElapsedTimer clock;
    clock.start();
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        const QByteArray bytes = readOnce(deadline);
        if (bytes.isEmpty())
            break;
        pieces.append({clock.elapsed(), bytes});
    }
    return pieces;
}

QByteArray PtyClient::readFor(int ms)
{
    QByteArray all;
    for (const Piece &piece : readPieces(ms))
        all += piece.bytes;
    return all;
}

QByteArray PtyClient::readUntil(const QByteArray &end, int timeoutMs)
{
    QByteArray all;
    const QDeadlineTimer deadline(timeoutMs);
    while (!all.contains(end) && !deadline.hasExpired()) {
        const QByteArray bytes = readOnce(deadline);
        if (bytes.isEmpty())
            break;
        all += bytes;
    }
    return all;
}

bool PtyClient::waitForHangUp(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        pollfd wait{fd_, POLLIN, 0};
        if (::poll(&wait, 1, int(deadline.remainingTime())) <= 0)
            return false;
        if (wait.revents & (POLLHUP | POLLERR))
            return true;
        char buffer[4096];
        if (::read(fd_, buffer, sizeof buffer) <= 0)
            return true;
    }
    return false;
}
