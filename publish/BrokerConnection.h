#pragma once

#include "publish/BrokerAddress.h"
#include "publish/BrokerLogin.h"

#include <QString>

// What a client of ours, publishing or subscribing, needs to reach one mast's topics.
struct BrokerConnection {
    BrokerAddress broker;
    BrokerLogin login;
    // For mqtts: a PEM file of the certificate authorities to trust instead of the system's.
    QString caFile;
    // Topics are PREFIX/reading, PREFIX/event and PREFIX/status.
    QString topicPrefix;
    // Waits between tries while the broker cannot be reached: from the shortest, growing to the
    // longest. Whole seconds.
    int reconnectMinSeconds = 1;
    int reconnectMaxSeconds = 30;
    int keepAliveSeconds = 30;
};
