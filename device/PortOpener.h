#pragma once

#include <QString>

class SerialControl;

// What the setup window needs of the main window: its one serial port and the operation that
// opens it on the checked Com port (DeviceProtocol::Ok when open, DeviceProtocol::Error when it
// stays closed).
class PortOpener
{
public:
    // Both windows report a port that stays closed with this text and the port's number.
    static inline const QString CannotOpen = QStringLiteral("Cannot open Com port ");

    virtual ~PortOpener() = default;
    virtual QString OpenPort() = 0;
    virtual SerialControl &MSComm1() = 0;
};
