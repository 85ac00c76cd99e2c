#pragma once

#include <QObject>
#include <QString>

// Desktop notifications over the freedesktop notification service on the session bus. The call
// is asynchronous: the GUI thread never waits for the service. Where there is no session bus or
// no service, notify() returns false and nothing else happens.
class DesktopNotifier final : public QObject
{
    Q_OBJECT

public:
    explicit DesktopNotifier(const QString &appName, QObject *parent = nullptr);

    // True when the service was asked; its answer comes later (or never).
    bool notify(const QString &title, const QString &body);
    // True when a session bus is connected and the service's name has an owner.
    bool available() const;

signals:
    // The service refused a notification (for tests and logs).
    void refused(const QString &reason);

private:
    QString appName_;
};
