#pragma once

#include <QSerialPort>
#include <QString>

// The text for a port that failed: the system's reason, then what the user can do about it.
namespace PortFailure
{

enum class Cause {
    NoDevice,     // Com port n maps to no device at all
    NotFound,     // the mapped device is not there
    NoPermission, // the user may not open it
    Busy,         // another program holds it
    Lost,         // it went away while open
    Other,
};

// QSerialPort reports both "permission denied" and "busy" as PermissionError; whether the
// user may read and write the device tells them apart.
Cause classify(QSerialPort::SerialPortError error, bool userMayAccess);

struct Where {
    short port = 1;
    QString device;
    bool fromEnvironment = false;
};

QString describe(Cause cause, const QString &systemReason, const Where &where);

// Whether the user may read and write the device (false also when it is not there).
bool userMayAccess(const QString &device);

} // namespace PortFailure
