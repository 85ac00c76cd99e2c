#include "sim/SignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

SignalWatcher::SignalWatcher(QObject *parent) : QObject(parent) {}

bool SignalWatcher::install(QString *error)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipe_) != 0) {
        *error = QStringLiteral("socketpair: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    notifier_ = new QSocketNotifier(pipe_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte;
        if (::read(pipe_[1], &byte, 1) == 1)
            emit terminationRequested();
    });

    struct sigaction action {
    };
    action.sa_handler = &SignalWatcher::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    return true;
}

void SignalWatcher::onSignal(int)
{
    // Only async-signal-safe calls here: the event loop does the rest.
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(pipe_[0], &byte, 1);
}
