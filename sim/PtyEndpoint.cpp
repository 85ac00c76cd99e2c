#include "sim/PtyEndpoint.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace
{

constexpr int presencePollMs = 10;

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

PtyEndpoint::PtyEndpoint(QObject *parent) : QObject(parent), presencePoll_(new QTimer(this))
{
    presencePoll_->setInterval(presencePollMs);
    connect(presencePoll_, &QTimer::timeout, this, &PtyEndpoint::onPresencePoll);
}

PtyEndpoint::~PtyEndpoint()
{
    hangUp();
}

bool PtyEndpoint::open(QString *error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = systemError("cannot create a pseudo-terminal");
        return false;
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    terminalPath_ = QString::fromLocal8Bit(::ptsname(master_));

    // Raw and silent from the start; opening and closing the terminal once also puts the
    // master into its "no one listening" state, which a never opened terminal lacks.
    const int terminal = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
    if (terminal < 0) {
        *error = systemError("cannot open the pseudo-terminal");
        return false;
    }
    termios mode{};
    ::tcgetattr(terminal, &mode);
    ::cfmakeraw(&mode);
    ::cfsetispeed(&mode, B9600);
    ::cfsetospeed(&mode, B9600);
    ::tcsetattr(terminal, TCSANOW, &mode);
    ::close(terminal);

    reader_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    reader_->setEnabled(false);
    connect(reader_, &QSocketNotifier::activated, this, &PtyEndpoint::onReadable);
    presencePoll_->start();
    return true;
}

bool PtyEndpoint::peerPresent() const
{
    if (master_ < 0)
        return false;
    pollfd probe{master_, POLLIN, 0};
    if (::poll(&probe, 1, 0) < 0)
        return false;
    return !(probe.revents & POLLHUP);
}

qsizetype PtyEndpoint::write(const QByteArray &bytes)
{
    if (!peerPresent())
        return bytes.size();
    const ssize_t written = ::write(master_, bytes.constData(), size_t(bytes.size()));
    if (written < 0)
        return errno == EAGAIN ? 0 : bytes.size();
    return written;
}

void PtyEndpoint::hangUp()
{
    if (master_ < 0)
        return;
    presencePoll_->stop();
    delete reader_;
    reader_ = nullptr;
    ::close(master_);
    master_ = -1;
}

void PtyEndpoint::onReadable()
{
    if (!readWaiting()) {
        // End of file or EIO: the program closed its port.
        reader_->setEnabled(false);
        presencePoll_->start();
        emit peerClosed();
    }
}

bool PtyEndpoint::readWaiting()
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            emit received(QByteArray(buffer, n));
            if (master_ < 0)
                return false;
            continue;
        }
        return n < 0 && errno == EAGAIN;
    }
}

void PtyEndpoint::onPresencePoll()
{
    pollfd probe{master_, POLLIN, 0};
    if (::poll(&probe, 1, 0) < 0)
        return;
    if (probe.revents & POLLHUP) {
        // The program may have opened the terminal, written and closed it again between two
        // looks (a "!STOP" sent on a closed port): what it wrote is still there to read.
        if (probe.revents & POLLIN) {
            emit peerOpened();
            readWaiting();
            emit peerClosed();
        }
        return;
    }
    presencePoll_->stop();
    reader_->setEnabled(true);
    emit peerOpened();
}
