#pragma once

#include "publish/BrokerAddress.h"
#include "publish/BrokerLogin.h"

#include <QString>

// Everything one publisher needs to know.
struct PublisherSettings {
    BrokerAddress broker;
    BrokerLogin login;
    // For mqtts: a PEM file of the certificate authorities to trust instead of the system's.
    QString caFile;
    // Topics are PREFIX/reading, PREFIX/event and PREFIX/status.
    QString topicPrefix;
    // 0 (at most once) or 1 (at least once); events always go with 1.
    int readingQos = 0;
    // Five and a half minutes of readings at 74 a second.
    int readingCapacity = 24000;
    int eventCapacity = 1000;
    // Waits between tries while the broker cannot be reached: from the shortest, growing to the
    // longest. Whole seconds.
    int reconnectMinSeconds = 1;
    int reconnectMaxSeconds = 30;
    int keepAliveSeconds = 30;
};
