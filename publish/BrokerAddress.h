#pragma once

#include <QString>

#include <optional>

// Where the broker is: "mqtt://host[:port]" (plain TCP, port 1883 unless named) or
// "mqtts://host[:port]" (TLS checked against the system's certificate authorities, port 8883).
// A path after the host ("mqtt://host/orvel/site/mast1") is kept for whoever wants a topic prefix
// there. A user name or password in the address is refused: a command line is readable by every
// user of the machine.
struct BrokerAddress {
    QString host;
    int port = 0;
    bool tls = false;
    QString path;

    // The address, or nothing with the reason in error.
    static std::optional<BrokerAddress> parse(const QString &url, QString &error);
};
