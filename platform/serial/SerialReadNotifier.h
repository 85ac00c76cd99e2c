#pragma once

class QSerialPort;
class QSocketNotifier;

// QSerialPort's own read notifier on its open descriptor, which a hold pauses so that the event
// loop does not wake for every byte. QSerialPort keeps it private: it is found among the port's
// children, as the Qt Serial Port release this was written for makes it. Null when it is not
// there (another release), or when ORVEL_PUBLIC_API_ONLY is set; the first time, a warning says
// that reads are handed on as they come.
QSocketNotifier *findSerialReadNotifier(const QSerialPort &port);
