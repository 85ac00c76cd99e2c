#include "platform/notify/DesktopNotifier.h"

DesktopNotifier::DesktopNotifier(const QString &appName, QObject *parent)
    : QObject(parent), appName_(appName)
{
}

bool DesktopNotifier::notify(const QString &, const QString &)
{
    return false;
}

bool DesktopNotifier::available() const
{
    return false;
}
