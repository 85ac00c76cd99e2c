#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Which serial device "Com port n" (1 to 9) stands for on this computer.
//
// On Windows it is COMn. Elsewhere the environment variable ORVEL_COM<n> wins (a device, a
// /dev/serial/by-id/ link, a pseudo-terminal; links are resolved to the real device); without
// it, Com port n is the n-th port the system reports, USB adapters first, so that a single
// adapter is Com Port 1 with no set-up even where a built-in ttyS0 exists.
namespace ComPortMap
{

// What the system tells about one of its serial ports.
struct PortDescription {
    QString name;           // "ttyUSB0"
    QString systemLocation; // "/dev/ttyUSB0"
    bool usb = false;       // it has a USB vendor id
};

// The system locations in Com port order: USB ports, then the others, each group in name order
// (numbers compared as numbers, so ttyS2 comes before ttyS10).
QStringList orderPorts(QList<PortDescription> ports);

// "ORVEL_COM3" for port 3.
QString environmentName(short port);

// Where Com port n points and why, for messages.
struct Mapping {
    QString device; // empty: no device
    bool fromEnvironment = false;
};

// Resolved anew at each call from the environment and the system's port list.
Mapping resolve(short port);

// The device Com port n reaches now and the adapter's serial number, to tell whether a device
// that comes back is the one that went away.
struct Identity {
    QString device;       // empty: no device
    QString serialNumber; // empty when unknown or named by a path
    bool fromEnvironment = false;
};
Identity identify(short port);

} // namespace ComPortMap
