#pragma once

#include <QByteArray>
#include <QString>

// The device's command set and reply framing. Every command is one ASCII line: "!" and an
// upper-case keyword, "?" for a query or "=" and the value for a setting, then CR LF.
namespace DeviceProtocol
{

inline constexpr char LineEnd[] = "\r\n";
// The device acknowledges with OK and refuses with ERROR, each on a line of its own.
inline constexpr char Acknowledgement[] = "OK\r\n";
inline constexpr char Refusal[] = "ERROR\r\n";
// The results that stand for them, also what opening the port gives back.
inline const QString Ok = QStringLiteral("OK");
inline const QString Error = QStringLiteral("ERROR");

// A transaction's result when the device did not answer in time starts with this text.
inline constexpr char NoReplyPrefix[] = ">>>";

inline const QString Start = QStringLiteral("!START");
inline const QString Stop = QStringLiteral("!STOP");
inline const QString StatusQuery = QStringLiteral("!STATUS?");
inline const QString RangeQuery = QStringLiteral("!RANGE?");
inline const QString HandshakeQuery = QStringLiteral("!HANDSHAKE?");
inline const QString AlarmAngleQuery = QStringLiteral("!ALARMANGLE?");
inline const QString AlarmPhoneQuery = QStringLiteral("!ALARMPHONE?");

// Setting commands take their value directly after the "=".
inline const QString RangeSetting = QStringLiteral("!RANGE=");
inline const QString HandshakeSetting = QStringLiteral("!HANDSHAKE=");
inline const QString AlarmAngleSetting = QStringLiteral("!ALARMANGLE=");
inline const QString AlarmPhoneSetting = QStringLiteral("!ALARMPHONE=");

// Characters map one to one onto the line's bytes.
inline QByteArray toWire(const QString &text)
{
    return text.toLatin1();
}
inline QString fromWire(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

// A result starting with ">" means the device did not answer (a value starting with ">" looks
// the same; the device sends none).
inline bool isNoReply(const QString &result)
{
    return result.startsWith(u'>');
}

} // namespace DeviceProtocol
