#pragma once

#include "platform/serial/LineSettings.h"
#include "platform/serial/SerialControl.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSerialPort>
#include <QTimer>

class QSocketNotifier;

// SerialControl over a QSerialPort that it owns. Com port n is mapped to a device at each
// opening (see ComPortMap).
//
// A device that goes away while open (adapter pulled, the other side of a pseudo-terminal
// closed) makes QSerialPort report read errors without end and stay open; the control closes
// the port on the first one, raises OnComm once with CommEvent DeviceLost and emits deviceLost.
class QtSerialControl final : public SerialControl
{
    Q_OBJECT

public:
    explicit QtSerialControl(QObject *parent = nullptr);
    ~QtSerialControl() override;

    bool setSettings(const QString &settings) override;
    QString Settings() const override { return settingsText_; }

    void setCommPort(short port) override;
    short CommPort() const override { return commPort_; }

    void setPortOpen(bool open) override;
    bool PortOpen() const override;

    void setRThreshold(short threshold) override { rThreshold_ = threshold; }
    short RThreshold() const override { return rThreshold_; }

    short CommEvent() const override { return commEvent_; }

    QByteArray Input() override;
    void setOutput(const QByteArray &text) override;
    void setInBufferCount(short count) override;
    int InBufferCount() const override;

    QString lastError() const override { return lastError_; }
    QString deviceFor(short port) const override;

    // Longest wait for written bytes to go out when the port is closed.
    static constexpr int drainLimitMs = 1000;
    // Longest time a received byte waits to be handed on while OnComm is armed: a display's
    // frame by default. A program without a display may hold longer and wake less often.
    static constexpr int holdMs = 33;
    void setHoldMs(int ms) { holdTimer_.setInterval(ms); }

private:
    void open();
    void drainAndClose();
    void onReadyRead();
    void handOn();
    // Hands on what a hold kept back, if anything.
    void handOnHeld();
    // False when there is no read notifier to pause.
    bool startHold();
    void endHold();
    void cancelHold();
    // Takes into the port's buffer what the system holds now, without handing it on.
    void takeWaiting();
    QSocketNotifier *readNotifier();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void finishLoss(const QString &reason);

    QSerialPort *port_;
    LineSettings settings_;
    QString settingsText_ = QStringLiteral("9600,N,8,1");
    short commPort_ = 1;
    short rThreshold_ = 0;
    short commEvent_ = 0;
    QString lastError_;
    QString device_;
    // Set on the first fatal error while open, until the port has been closed for it.
    bool losing_ = false;
    QTimer holdTimer_;
    // The port's read notifier while a hold has it paused; null otherwise (also once the port
    // closed and QSerialPort deleted it).
    QPointer<QSocketNotifier> paused_;
    // QSerialPort's read notifier, once looked for on the descriptor searchedHandle_.
    QPointer<QSocketNotifier> readNotifier_;
    qintptr searchedHandle_ = -1;
    // Bytes in the port's buffer that a hold has kept back from the receiver.
    bool unhanded_ = false;
    // While a hold ends, bytes taken in wait for it to hand them on.
    bool endingHold_ = false;
    // The hold running belongs to a steady stream: the bytes that began it came within a hold
    // of the notifier being resumed.
    bool streaming_ = false;
    QElapsedTimer resumed_;
    bool closing_ = false;
};
