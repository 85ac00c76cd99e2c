#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The program's serial port, with the operations the program's logic relies on. Characters map
// one to one onto the line's bytes, so texts on the wire are byte arrays.
//
// Implementations: QtSerialControl (a real port, through QSerialPort) and, in the tests,
// FakeSerialControl.
class SerialControl : public QObject
{
    Q_OBJECT

public:
    // Values of CommEvent. Receive is the only data kind; DeviceLost is raised once when the
    // device disappears while the port is open (an adapter pulled, the other side hung up).
    enum CommEventKind : short { Receive = 2, DeviceLost = 1010 };

    using QObject::QObject;

    // "9600,N,8,1": baud, parity, data bits, stop bits. Applies at the next opening and, when
    // the port is open, at once. Returns false for a text it cannot read.
    virtual bool setSettings(const QString &settings) = 0;
    virtual QString Settings() const = 0;

    // 1 to 9; before the first setting 1. Ignored while the port is open.
    virtual void setCommPort(short port) = 0;
    virtual short CommPort() const = 0;

    // Opening may fail (absent, busy, no permission): PortOpen() then reads back false and
    // lastError() holds the system's reason. Closing sends everything already written first.
    virtual void setPortOpen(bool open) = 0;
    virtual bool PortOpen() const = 0;

    // 1: OnComm is raised whenever at least one received character waits; 0: no OnComm.
    virtual void setRThreshold(short threshold) = 0;
    virtual short RThreshold() const = 0;

    // The kind of the latest OnComm.
    virtual short CommEvent() const = 0;

    // Returns and removes every received character waiting (empty if none).
    virtual QByteArray Input() = 0;
    // Queues the characters for sending and returns at once.
    virtual void setOutput(const QByteArray &text) = 0;
    // Setting it to 0 discards everything received and not yet read.
    virtual void setInBufferCount(short count) = 0;
    virtual int InBufferCount() const = 0;

    // The system's reason for the latest failure (failed opening, device lost) followed, where
    // the reason is known, by what the user can do about it (a line or two, ready to stand
    // under a message box's text). Empty when there was none since the last successful opening.
    virtual QString lastError() const = 0;
    // The device that Com port n reaches now, or an empty text when none does.
    virtual QString deviceFor(short port) const = 0;

signals:
    // Raised on the GUI thread, one at a time; see CommEvent() for its kind.
    void OnComm();
    // Raised whenever characters arrive, whatever RThreshold says; waits sleep on it.
    void inputArrived();
    // Raised once when an open port is closed because the device went away.
    void deviceLost(const QString &reason);
};
