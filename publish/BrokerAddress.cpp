#include "publish/BrokerAddress.h"

#include <QUrl>

std::optional<BrokerAddress> BrokerAddress::parse(const QString &url, QString &error)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || (scheme != u"mqtt" && scheme != u"mqtts")) {
        error = QStringLiteral("\"%1\" is not an mqtt://host[:port] or mqtts://host[:port] address")
                    .arg(url);
        return std::nullopt;
    }
    if (!parsed.userInfo().isEmpty()) {
        error = QStringLiteral("put the broker's user name and password in the config file or the "
                               "environment, not in the address");
        return std::nullopt;
    }
    if (parsed.host().isEmpty()) {
        error = QStringLiteral("\"%1\" names no broker host").arg(url);
        return std::nullopt;
    }
    if (parsed.hasQuery() || parsed.hasFragment()) {
        error = QStringLiteral("\"%1\": a broker address takes no ?query or #fragment").arg(url);
        return std::nullopt;
    }
    BrokerAddress address;
    address.tls = scheme == u"mqtts";
    address.host = parsed.host();
    address.port = parsed.port(address.tls ? 8883 : 1883);
    if (address.port <= 0) {
        error = QStringLiteral("\"%1\": the port must be 1 to 65535").arg(url);
        return std::nullopt;
    }
    address.path = parsed.path();
    while (address.path.startsWith(u'/'))
        address.path.remove(0, 1);
    while (address.path.endsWith(u'/'))
        address.path.chop(1);
    return address;
}
