#include "device/ReplyClassifier.h"

#include "device/DeviceProtocol.h"

ReplyVerdict classifyReply(const QByteArray &accumulated)
{
    using namespace DeviceProtocol;
    const qsizetype ack = accumulated.indexOf(Acknowledgement);
    if (ack == 0)
        return {ReplyVerdict::Acknowledged, DeviceProtocol::Ok};
    if (ack >= 3) {
        // The value line ends in the two characters just before "OK" (its CR LF); only the
        // text after the line's first "=" is the value, if it has one.
        const QByteArray line = accumulated.left(ack - 2);
        const qsizetype equals = line.indexOf('=');
        const QByteArray value = equals < 0 ? line : line.mid(equals + 1);
        return {ReplyVerdict::Value, fromWire(value)};
    }
    if (accumulated.contains(Refusal))
        return {ReplyVerdict::Refused, DeviceProtocol::Error};
    return {};
}

QString noReplyResult(const QByteArray &accumulated)
{
    return QLatin1String(DeviceProtocol::NoReplyPrefix) + DeviceProtocol::fromWire(accumulated);
}
