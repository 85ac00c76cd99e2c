// The serial port's read notifier lookup compiled as if against a Qt Serial Port release it was
// not checked against: the build must stop with its own message (see orvel_add_version_probe).
#include <QtSerialPort/qtserialportversion.h>
#undef QTSERIALPORT_VERSION
#define QTSERIALPORT_VERSION 0x060500
#include PROBED_SOURCE
