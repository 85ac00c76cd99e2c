#pragma once

#include "publish/BrokerConnection.h"

// Everything one publisher needs to know.
struct PublisherSettings : BrokerConnection {
    // 0 (at most once) or 1 (at least once); events always go with 1.
    int readingQos = 0;
    // Five and a half minutes of readings at 74 a second.
    int readingCapacity = 24000;
    int eventCapacity = 1000;
};
