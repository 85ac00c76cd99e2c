#include "publish/TopicPrefix.h"

namespace
{

QString level(QString text)
{
    const qsizetype slash = text.lastIndexOf(u'/');
    if (slash >= 0)
        text = text.mid(slash + 1);
    for (QChar &c : text) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'.' || c == u'_' || c == u'-';
        if (!plain)
            c = u'_';
    }
    return text.isEmpty() ? QStringLiteral("unknown") : text;
}

// Topics are limited to 65535 bytes of UTF-8; the prefix leaves room for "/reading".
constexpr qsizetype MaxPrefixBytes = 1024;

} // namespace

namespace TopicPrefix
{

QString fallback(const QString &hostName, const QString &portName)
{
    return QStringLiteral("orvel/%1/%2").arg(level(hostName), level(portName));
}

QString problem(const QString &prefix)
{
    if (prefix.isEmpty())
        return QStringLiteral("the topic prefix is empty");
    if (prefix.contains(u'+') || prefix.contains(u'#'))
        return QStringLiteral("the topic prefix \"%1\" holds a wildcard (+ or #)").arg(prefix);
    if (prefix.contains(QChar(0)))
        return QStringLiteral("the topic prefix holds a NUL character");
    if (prefix.startsWith(u'$'))
        return QStringLiteral("the topic prefix \"%1\" starts with $, which brokers keep for "
                              "themselves")
            .arg(prefix);
    if (prefix.startsWith(u'/') || prefix.endsWith(u'/') || prefix.contains(u"//"))
        return QStringLiteral("the topic prefix \"%1\" has an empty level").arg(prefix);
    if (prefix.toUtf8().size() > MaxPrefixBytes)
        return QStringLiteral("the topic prefix is longer than %1 bytes").arg(MaxPrefixBytes);
    return {};
}

} // namespace TopicPrefix
