#include "publish/BrokerLogin.h"

namespace
{

QString pick(const QProcessEnvironment &environment, const QString &variable,
             const QSettings *config, const QString &key)
{
    if (environment.contains(variable))
        return environment.value(variable);
    return config ? config->value(key).toString() : QString();
}

} // namespace

BrokerLogin BrokerLogin::from(const QProcessEnvironment &environment, const QSettings *config)
{
    return {
        pick(environment, QStringLiteral("ORVEL_MQTT_USER"), config, QStringLiteral("mqtt-user")),
        pick(environment, QStringLiteral("ORVEL_MQTT_PASSWORD"), config,
             QStringLiteral("mqtt-password"))};
}
