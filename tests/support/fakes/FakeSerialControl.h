#pragma once

#include "platform/serial/SerialControl.h"

#include <QByteArray>
#include <QList>
#include <QSet>

// A serial port for unit tests: what the program writes is collected in `written`, what the
// device "sends" is queued with deliver() and raises OnComm as the real control does.
class FakeSerialControl final : public SerialControl
{
    Q_OBJECT

public:
    using SerialControl::SerialControl;

    bool setSettings(const QString &settings) override
    {
        settings_ = settings;
        return true;
    }
    QString Settings() const override { return settings_; }
    void setCommPort(short port) override
    {
        if (!open_)
            port_ = port;
    }
    short CommPort() const override { return port_; }
    void setPortOpen(bool open) override;
    bool PortOpen() const override { return open_; }
    void setRThreshold(short threshold) override { threshold_ = threshold; }
    short RThreshold() const override { return threshold_; }
    short CommEvent() const override { return event_; }
    QByteArray Input() override;
    void setOutput(const QByteArray &text) override;
    void setInBufferCount(short count) override;
    int InBufferCount() const override { return int(inbox_.size()); }
    QString lastError() const override { return lastError_; }
    QString deviceFor(short port) const override { return QStringLiteral("/dev/fake%1").arg(port); }

    // Device side. deliver() appends to the input buffer, emits inputArrived and, with a
    // threshold of 1 and the port open, raises OnComm with the Receive kind.
    void deliver(const QByteArray &bytes);
    // Closes the port as a pulled adapter does: one OnComm with DeviceLost and one deviceLost.
    void hangUp(const QString &reason = QStringLiteral("Input/output error"));

    // Ports (1 to 9) that refuse to open, with the reason lastError() reports.
    QSet<short> absentPorts;
    QString absentReason = QStringLiteral("No such file or directory");

    // Everything written, with the open state and port at the time of each write.
    struct Write {
        QByteArray text;
        bool open;
        short port;
    };
    QList<Write> writes;
    QByteArray written() const;
    int opens = 0;
    int closes = 0;
    int openFailures = 0;
    // Bytes written while the port was closed: a fault in the caller, counted for tests.
    int writesWhileClosed = 0;

private:
    QString settings_;
    short port_ = 1;
    bool open_ = false;
    short threshold_ = 0;
    short event_ = 0;
    QByteArray inbox_;
    QString lastError_;
};
