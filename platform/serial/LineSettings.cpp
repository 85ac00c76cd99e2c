#include "platform/serial/LineSettings.h"

#include <QStringList>

namespace
{

std::optional<QSerialPort::Parity> parityFrom(const QString &text)
{
    const QString letter = text.toUpper();
    if (letter == u"N")
        return QSerialPort::NoParity;
    if (letter == u"E")
        return QSerialPort::EvenParity;
    if (letter == u"O")
        return QSerialPort::OddParity;
    if (letter == u"M")
        return QSerialPort::MarkParity;
    if (letter == u"S")
        return QSerialPort::SpaceParity;
    return std::nullopt;
}

std::optional<QSerialPort::StopBits> stopBitsFrom(const QString &text)
{
    if (text == u"1")
        return QSerialPort::OneStop;
    if (text == u"1.5")
        return QSerialPort::OneAndHalfStop;
    if (text == u"2")
        return QSerialPort::TwoStop;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseLineSettings(const QString &text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        return std::nullopt;

    bool ok = false;
    const int baud = fields[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0)
        return std::nullopt;
    const auto parity = parityFrom(fields[1].trimmed());
    const int dataBits = fields[2].trimmed().toInt(&ok);
    if (!ok || dataBits < 5 || dataBits > 8 || !parity)
        return std::nullopt;
    const auto stopBits = stopBitsFrom(fields[3].trimmed());
    if (!stopBits)
        return std::nullopt;

    return LineSettings{baud, *parity, static_cast<QSerialPort::DataBits>(dataBits), *stopBits};
}
