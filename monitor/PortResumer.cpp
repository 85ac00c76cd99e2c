#include "monitor/PortResumer.h"

#include "platform/runtime/Clock.h"
#include "platform/serial/SerialControl.h"

#include <cmath>

namespace
{

constexpr int BackNoticeMs = 10000;

QString clockText(const QDateTime &at)
{
    return at.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

PortResumer::PortResumer(SerialControl &port, const Clock &clock, Identify identify,
                         Restart restart, QObject *parent)
    : QObject(parent), port_(port), clock_(clock), identify_(std::move(identify)),
      restart_(std::move(restart))
{
    retryTimer_.setInterval(RetryMs);
    connect(&retryTimer_, &QTimer::timeout, this, &PortResumer::tryAgain);
    connect(&port_, &SerialControl::deviceLost, this, &PortResumer::onDeviceLost);
}

void PortResumer::setEnabled(bool on)
{
    enabled_ = on;
    if (!on && retrying()) {
        retryTimer_.stop();
        say({});
    }
}

void PortResumer::streamStarted()
{
    retryTimer_.stop();
    streamOn_ = true;
    commPort_ = port_.CommPort();
    identity_ = identify_(commPort_);
    say({});
}

void PortResumer::streamEnded()
{
    const bool wasRetrying = retrying();
    streamOn_ = false;
    retryTimer_.stop();
    if (wasRetrying)
        say({});
}

QString PortResumer::portName() const
{
    return QStringLiteral("Com port %1").arg(commPort_);
}

QString PortResumer::durationText(qint64 msecs)
{
    const qint64 seconds = (msecs + 500) / 1000;
    const qint64 h = seconds / 3600;
    const qint64 min = seconds / 60 % 60;
    const qint64 s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1 h %2 min").arg(h).arg(min);
    if (min > 0)
        return QStringLiteral("%1 min %2 s").arg(min).arg(s);
    return QStringLiteral("%1 s").arg(s);
}

void PortResumer::onDeviceLost(const QString &reason)
{
    if (!streamOn_)
        return;
    lostAt_ = clock_.now();
    lostElapsed_ = clock_.elapsedSeconds();
    emit lost(portName(), lostAt_, reason);
    if (!enabled_) {
        // The monitor's message box tells it; the stream is over until Start.
        streamOn_ = false;
        return;
    }
    retryTimer_.start();
    say(QStringLiteral("%1 lost at %2; trying again every %3 s")
            .arg(portName(), clockText(lostAt_))
            .arg(RetryMs / 1000));
}

QString PortResumer::differs(const PortIdentity &now) const
{
    if (now.device.isEmpty())
        return QStringLiteral("no device");
    if (identity_.byPath || now.byPath)
        return {};
    if (now.device == identity_.device && now.serialNumber == identity_.serialNumber)
        return {};
    const QString serial = now.serialNumber.isEmpty()
                               ? QStringLiteral("no serial number")
                               : QStringLiteral("serial ") + now.serialNumber;
    return QStringLiteral("another device is in its place (%1, %2), not opened")
        .arg(now.device, serial);
}

void PortResumer::tryAgain()
{
    if (!streamOn_ || !enabled_ || port_.PortOpen()) {
        retryTimer_.stop();
        return;
    }
    const QString why = differs(identify_(commPort_));
    if (!why.isEmpty()) {
        if (why != QStringLiteral("no device"))
            emit refused(portName(), why);
        say(QStringLiteral("%1 lost at %2; %3; trying again every %4 s")
                .arg(portName(), clockText(lostAt_), why)
                .arg(RetryMs / 1000));
        return;
    }
    port_.setCommPort(commPort_);
    port_.setPortOpen(true);
    if (!port_.PortOpen()) {
        emit stillAway(portName(), port_.lastError());
        return;
    }
    retryTimer_.stop();
    const QDateTime at = clock_.now();
    const auto lostFor = qint64(std::llround((clock_.elapsedSeconds() - lostElapsed_) * 1000.0));
    restart_();
    emit back(portName(), at, lostFor);
    const QString notice = QStringLiteral("%1 back at %2 after %3")
                               .arg(portName(), clockText(at), durationText(lostFor));
    say(notice);
    QTimer::singleShot(BackNoticeMs, this, [this, notice] {
        // Only if nothing newer has been said since.
        if (!retrying() && lastNotice_ == notice)
            say({});
    });
}

void PortResumer::say(const QString &text)
{
    lastNotice_ = text;
    emit noticeChanged(text);
}
