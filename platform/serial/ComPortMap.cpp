#include "platform/serial/ComPortMap.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace ComPortMap
{

namespace
{

// Splits a name into its text part and a trailing number, so that names compare naturally.
std::pair<QString, qint64> nameKey(const QString &name)
{
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    const qint64 number = digits < name.size() ? name.mid(digits).toLongLong() : -1;
    return {name.left(digits), number};
}

} // namespace

QStringList orderPorts(QList<PortDescription> ports)
{
    std::stable_sort(ports.begin(), ports.end(), [](const auto &a, const auto &b) {
        if (a.usb != b.usb)
            return a.usb;
        return nameKey(a.name) < nameKey(b.name);
    });
    QStringList locations;
    for (const auto &port : ports)
        locations.append(port.systemLocation);
    return locations;
}

QString environmentName(short port)
{
    return QStringLiteral("ORVEL_COM%1").arg(port);
}

Mapping resolve(short port)
{
#ifdef Q_OS_WIN
    return {QStringLiteral("COM%1").arg(port), false};
#else
    const QString fromEnvironment =
        qEnvironmentVariable(environmentName(port).toLatin1().constData());
    if (!fromEnvironment.isEmpty()) {
        // The real device, so that the port's lock and exclusivity apply to it and not to a
        // link; a path that leads nowhere is kept as given, for the message.
        const QString real = QFileInfo(fromEnvironment).canonicalFilePath();
        return {real.isEmpty() ? fromEnvironment : real, true};
    }

    QList<PortDescription> ports;
    const auto available = QSerialPortInfo::availablePorts();
    for (const auto &info : available)
        ports.append({info.portName(), info.systemLocation(), info.hasVendorIdentifier()});
    const QStringList ordered = orderPorts(ports);
    if (port < 1 || port > ordered.size())
        return {};
    return {ordered.at(port - 1), false};
#endif
}

Identity identify(short port)
{
    const Mapping mapping = resolve(port);
    Identity identity{mapping.device, {}, mapping.fromEnvironment};
    if (mapping.device.isEmpty() || mapping.fromEnvironment)
        return identity;
    const auto available = QSerialPortInfo::availablePorts();
    for (const auto &info : available) {
        if (info.systemLocation() == mapping.device)
            identity.serialNumber = info.serialNumber();
    }
    return identity;
}

} // namespace ComPortMap
