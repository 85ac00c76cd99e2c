#pragma once

#include <QString>

class SerialControl;

// What the setup window needs of the main window: its one serial port and the operation that
// opens it on the checked Com port ("OK" when open, "ERROR" when it stays closed).
class PortOpener
{
public:
    virtual ~PortOpener() = default;
    virtual QString OpenPort() = 0;
    virtual SerialControl &MSComm1() = 0;
};
