#include "watch/Watchman.h"

#include <QTimer>

Watchman::Watchman(const Clock &clock, QObject *parent) : QObject(parent), clock_(clock) {}

Watchman::~Watchman() = default;

void Watchman::setSettings(const MonitoringSettings &settings)
{
    settings_ = settings;
}

void Watchman::streamStarted(const QString &port)
{
    port_ = port;
    streaming_ = true;
}

void Watchman::streamEnded()
{
    streaming_ = false;
}

void Watchman::portLost(const QString &, const QString &) {}

void Watchman::portBack(const QString &, qint64) {}

void Watchman::readingAccepted(const Reading &) {}

void Watchman::check() {}

QList<Watchman::ActiveAlarm> Watchman::activeAlarms() const
{
    return {};
}

std::optional<QDateTime> Watchman::noReadingsSince() const
{
    return std::nullopt;
}
