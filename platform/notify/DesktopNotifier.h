#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// Desktop notifications over the freedesktop notification service on the session bus. The call
// is asynchronous: the GUI thread never waits for the service. Where there is no session bus,
// notify() returns false and nothing else happens; a service that is missing or refuses is
// reported by refused() alone.
class DesktopNotifier final : public QObject
{
    Q_OBJECT

public:
    // On the session bus, when there is one.
    explicit DesktopNotifier(const QString &appName, QObject *parent = nullptr);
    // On the given bus (tests run a bus of their own).
    DesktopNotifier(const QString &appName, const QDBusConnection &bus, QObject *parent = nullptr);

    // The icon's name in the desktop's theme ("orvel"); empty for none.
    void setIconName(const QString &name) { iconName_ = name; }

    // True when the service was asked; its answer comes later (or never). An urgent notification
    // asks the desktop to keep it until the user sees it.
    bool notify(const QString &title, const QString &body, bool urgent = false);
    // True when a bus is connected (the service itself may still be missing).
    bool available() const;

signals:
    // The service answered with this notification's id.
    void shown(uint id);
    // The service is missing or refused the notification.
    void refused(const QString &reason);

private:
    QString appName_;
    QString iconName_;
    QDBusConnection bus_;
};
