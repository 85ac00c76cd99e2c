#pragma once

#include "publish/MqttSubscriber.h"

#include <QString>

#include <variant>

// Where a remote mast is watched: "mqtt://host[:port]/PREFIX" (or mqtts://), the broker and the
// prefix its publisher writes under. The login is not part of it: it comes from the
// environment.
namespace RemoteMastAddress
{

// A prefix given on its own (the dialog's field) wins over the address's path; one of the two
// must name it. The settings, or what is wrong.
std::variant<SubscriberSettings, QString> parse(const QString &url, const QString &prefix = {});

} // namespace RemoteMastAddress
