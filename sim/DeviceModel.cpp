#include "sim/DeviceModel.h"

namespace
{

bool allDigits(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool valid(const QByteArray &name, const QByteArray &value)
{
    if (name == "RANGE")
        return value == "FULL" || value == "HALF";
    if (name == "HANDSHAKE")
        return value == "NONE" || value == "HARDWARE";
    if (name == "ALARMANGLE")
        return value.size() == 2 && allDigits(value) && value.toInt() <= 90;
    if (name == "ALARMPHONE")
        return allDigits(value);
    return false;
}

} // namespace

DeviceModel::DeviceModel()
{
    values_ = {{"RANGE", "FULL"},
               {"HANDSHAKE", "NONE"},
               {"ALARMANGLE", "45"},
               {"ALARMPHONE", "0123456789"}};
}

bool DeviceModel::set(const QByteArray &name, const QByteArray &value)
{
    if (!valid(name, value))
        return false;
    values_[name] = value;
    return true;
}

DeviceModel::Outcome DeviceModel::handle(const QByteArray &command)
{
    if (command == "!START")
        return {ok(), Stream::Start};
    if (command == "!STOP")
        return {ok(), Stream::Stop};
    if (command == "!STATUS?")
        return {status() + ok()};
    if (!command.startsWith('!'))
        return {error()};

    const QByteArray body = command.mid(1);
    if (body.endsWith('?')) {
        const QByteArray name = body.chopped(1);
        if (!values_.contains(name))
            return {error()};
        return {name + '=' + values_.value(name) + "\r\n" + ok()};
    }
    const qsizetype equals = body.indexOf('=');
    if (equals < 0)
        return {error()};
    return {set(body.left(equals), body.mid(equals + 1)) ? ok() : error()};
}

QByteArray DeviceModel::status() const
{
    // No line may end in "OK": the program would take it for the end of the reply.
    QByteArray text = "Dravelin 2-axis inclinometer\r\n"
                      "Firmware 3.2, serial 0412\r\n"
                      "Sensor temperature 21 C\r\n";
    text += values_.value("ALARMANGLE") == "90" ? "Alarm off\r\n" : "Alarm armed\r\n";
    return text;
}
