#include "platform/notify/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>
#include <QVariantMap>

Q_LOGGING_CATEGORY(lcNotify, "orvel.notify")

using namespace Qt::StringLiterals;

namespace
{

// Without an address or the usual socket there is no session bus; asking for one anyway may
// make the bus library try to launch one, which is not ours to do.
bool sessionBusLikely()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + u"/bus"_s);
}

QDBusConnection sessionBusIfAny()
{
    if (sessionBusLikely())
        return QDBusConnection::sessionBus();
    return QDBusConnection(u"orvel-no-session-bus"_s);
}

} // namespace

DesktopNotifier::DesktopNotifier(const QString &appName, QObject *parent)
    : DesktopNotifier(appName, sessionBusIfAny(), parent)
{
}

DesktopNotifier::DesktopNotifier(const QString &appName, const QDBusConnection &bus,
                                 QObject *parent)
    : QObject(parent), appName_(appName), bus_(bus)
{
}

bool DesktopNotifier::available() const
{
    return bus_.isConnected();
}

bool DesktopNotifier::notify(const QString &title, const QString &body, bool urgent)
{
    if (!bus_.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
        u"org.freedesktop.Notifications"_s, u"Notify"_s);
    QVariantMap hints;
    // 2 is "critical": kept on screen until dismissed.
    hints.insert(u"urgency"_s, QVariant::fromValue(uchar(urgent ? 2 : 1)));
    call << appName_ << uint(0) << iconName_ << title << body << QStringList() << hints << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        if (reply.isError()) {
            qCInfo(lcNotify) << "desktop notification not shown:" << reply.error().message();
            emit refused(reply.error().message());
            return;
        }
        emit shown(reply.value());
    });
    return true;
}
