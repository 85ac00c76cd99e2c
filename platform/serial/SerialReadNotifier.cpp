#include "platform/serial/SerialReadNotifier.h"

#include <QLoggingCategory>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QtSerialPort/qtserialportversion.h>

#include <atomic>

// The lookup relies on how this release builds its port: one read notifier, a direct child,
// on the port's descriptor. Another release must be checked before it is allowed here.
#if QTSERIALPORT_VERSION < 0x060400 || QTSERIALPORT_VERSION >= 0x060500
// clang-format off
#error "Written against Qt Serial Port 6.4: review findSerialReadNotifier() (a private child of QSerialPort) and the holds in QtSerialControl.cpp against this release, then widen the range checked in SerialReadNotifier.cpp"
// clang-format on
#endif

Q_LOGGING_CATEGORY(lcSerialInsides, "orvel.serial.insides")

namespace
{

void warnOnce(const char *why)
{
    static std::atomic_bool warned{false};
    if (!warned.exchange(true))
        qCWarning(lcSerialInsides, "serial port: %s; every read is handed on as it comes", why);
}

} // namespace

QSocketNotifier *findSerialReadNotifier(const QSerialPort &port)
{
    if (qEnvironmentVariableIsSet("ORVEL_PUBLIC_API_ONLY")) {
        warnOnce("ORVEL_PUBLIC_API_ONLY is set, the read notifier is not paused");
        return nullptr;
    }
    const auto notifiers = port.findChildren<QSocketNotifier *>(Qt::FindDirectChildrenOnly);
    for (QSocketNotifier *notifier : notifiers) {
        if (notifier->type() == QSocketNotifier::Read && notifier->socket() == port.handle())
            return notifier;
    }
    warnOnce("the port's read notifier was not found");
    return nullptr;
}
