#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

// The line settings of a serial port as written in a settings text, "9600,N,8,1".
struct LineSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Reads "baud,parity,data bits,stop bits": parity one of N, E, O, M, S (either case), data
// bits 5 to 8, stop bits 1, 1.5 or 2. Nothing when the text does not have that form.
std::optional<LineSettings> parseLineSettings(const QString &text);
