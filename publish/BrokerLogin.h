#pragma once

#include <QProcessEnvironment>
#include <QSettings>
#include <QString>

// The user name and password the broker asks for. They come from the environment
// (ORVEL_MQTT_USER, ORVEL_MQTT_PASSWORD) or the config file (mqtt-user, mqtt-password), never
// from the command line, which other users of the machine can read. The environment wins.
struct BrokerLogin {
    QString user;
    QString password;

    // config may be null (no config file).
    static BrokerLogin from(const QProcessEnvironment &environment, const QSettings *config);
};
