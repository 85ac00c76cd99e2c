#include "app/RemoteMastAddress.h"

#include "publish/TopicPrefix.h"

namespace RemoteMastAddress
{

std::variant<SubscriberSettings, QString> parse(const QString &url, const QString &prefix)
{
    QString error;
    const std::optional<BrokerAddress> broker = BrokerAddress::parse(url.trimmed(), error);
    if (!broker)
        return error;
    SubscriberSettings settings;
    settings.broker = *broker;
    settings.topicPrefix = prefix.trimmed().isEmpty() ? broker->path : prefix.trimmed();
    if (settings.topicPrefix.isEmpty())
        return QStringLiteral("\"%1\" names no topic prefix (mqtt://host[:port]/PREFIX)").arg(url);
    if (const QString problem = TopicPrefix::problem(settings.topicPrefix); !problem.isEmpty())
        return problem;
    return settings;
}

} // namespace RemoteMastAddress
