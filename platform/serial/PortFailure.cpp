#include "platform/serial/PortFailure.h"

#include "platform/serial/ComPortMap.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace PortFailure
{

Cause classify(QSerialPort::SerialPortError error, bool userMayAccess)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return Cause::NotFound;
    case QSerialPort::PermissionError:
        return userMayAccess ? Cause::Busy : Cause::NoPermission;
    case QSerialPort::ReadError:
    case QSerialPort::ResourceError:
        return Cause::Lost;
    default:
        return Cause::Other;
    }
}

QString describe(Cause cause, const QString &systemReason, const Where &where)
{
    const QString variable = ComPortMap::environmentName(where.port);
    const QString reason =
        systemReason.isEmpty() ? QStringLiteral("Cannot open the port") : systemReason;
    const QString mapping =
        where.fromEnvironment
            ? QStringLiteral("Com Port %1 is %2 (set by %3)")
                  .arg(where.port)
                  .arg(where.device, variable)
            : QStringLiteral("Com Port %1 is %2").arg(where.port).arg(where.device);

    switch (cause) {
    case Cause::NoDevice:
        return QStringLiteral("No serial device is mapped to Com Port %1. Connect the adapter, or "
                              "set %2 to the device's path (for example /dev/ttyUSB0).")
            .arg(where.port)
            .arg(variable);
    case Cause::NotFound:
        return QStringLiteral("%1: %2, which is not there. Connect the adapter, or set %3 to the "
                              "device's path.")
            .arg(reason, mapping, variable);
    case Cause::NoPermission:
        return QStringLiteral("%1: %2. Join the dialout group (sudo usermod -aG dialout $USER), "
                              "then log in again.")
            .arg(reason, mapping);
    case Cause::Busy:
        return QStringLiteral("%1: another program holds %2 (for example ModemManager or a "
                              "terminal program). Close it and try again.")
            .arg(reason, where.device);
    case Cause::Lost:
        // A hung-up line reads as end of file, so the system's text may be beside the point:
        // the plain words come first.
        return QStringLiteral("Lost %1: the adapter was unplugged or the device switched off "
                              "(%2). Reconnect it and start again.")
            .arg(where.device, reason);
    case Cause::Other:
        break;
    }
    return QStringLiteral("%1: %2.").arg(reason, mapping);
}

bool userMayAccess(const QString &device)
{
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(device);
    // Windows reports a port held by another program as access denied.
    return true;
#endif
}

} // namespace PortFailure
