#pragma once

#include "publish/BrokerConnection.h"

#include <QString>

struct mosquitto;

// What every client of ours sets on a new libmosquitto client before it connects, publishing or
// subscribing alike.
namespace BrokerClientSetup
{

// libmosquitto's one-time start, safe to call from any thread any number of times.
void initLibrary();

// The user name and password, and for mqtts the certificate authorities (the system's unless
// caFile names a PEM file of a site's own). Empty when all is set; otherwise the reason, and
// the client must not connect: never a fallback to a connection in the clear.
QString apply(mosquitto *client, const BrokerConnection &connection);

} // namespace BrokerClientSetup
