#include "watch/Watchman.h"

#include "watch/LimitRule.h"

#include <QTimer>

namespace
{

constexpr int CheckIntervalMs = 250;

QDateTime wallTime(qint64 msecsSinceEpoch, int utcOffsetSeconds)
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::OffsetFromUTC, utcOffsetSeconds);
}

} // namespace

struct Watchman::Rule {
    Quantity quantity;
    LimitRule rule;
};

Watchman::Watchman(const Clock &clock, QObject *parent)
    : QObject(parent), clock_(clock), timer_(new QTimer(this))
{
    timer_->setInterval(CheckIntervalMs);
    connect(timer_, &QTimer::timeout, this, &Watchman::check);
    resetRules();
}

Watchman::~Watchman() = default;

void Watchman::setSettings(const MonitoringSettings &settings)
{
    const MonitoringSettings before = settings_;
    settings_ = settings;
    const bool timingChanged = before.holdSeconds != settings.holdSeconds ||
                               before.hysteresisDegrees != settings.hysteresisDegrees;
    const auto renew = [&](std::unique_ptr<Rule> &rule, const LimitBand &was, const LimitBand &band,
                           LimitRule::Shape shape, Quantity quantity) {
        if (!timingChanged && was == band)
            return;
        if (rule)
            endAlarm(*rule, QStringLiteral("settings changed"));
        rule =
            band.enabled
                ? std::make_unique<Rule>(Rule{quantity, LimitRule(shape, band, settings.holdSeconds,
                                                                  settings.hysteresisDegrees)})
                : nullptr;
    };
    renew(elevation_, before.elevation, settings.elevation, LimitRule::Shape::Range,
          Quantity::Elevation);
    renew(azimuth_, before.azimuth, settings.azimuth, LimitRule::Shape::Compass, Quantity::Azimuth);
    if (settings.noReadingsAfterSeconds <= 0)
        endNoReadings(QStringLiteral("watchdog switched off"));
    updateTimer();
}

void Watchman::updateTimer()
{
    // Nothing to watch, no wake-ups.
    const bool needed =
        streaming_ && (elevation_ || azimuth_ || settings_.noReadingsAfterSeconds > 0);
    if (needed && !timer_->isActive())
        timer_->start();
    else if (!needed)
        timer_->stop();
}

void Watchman::resetRules()
{
    const auto make = [this](const LimitBand &band, LimitRule::Shape shape, Quantity quantity) {
        return band.enabled ? std::make_unique<Rule>(
                                  Rule{quantity, LimitRule(shape, band, settings_.holdSeconds,
                                                           settings_.hysteresisDegrees)})
                            : nullptr;
    };
    elevation_ = make(settings_.elevation, LimitRule::Shape::Range, Quantity::Elevation);
    azimuth_ = make(settings_.azimuth, LimitRule::Shape::Compass, Quantity::Azimuth);
}

MonitorEvent Watchman::makeEvent(MonitorEventKind kind) const
{
    MonitorEvent e;
    e.time = clock_.now();
    e.kind = kind;
    e.port = port_;
    return e;
}

void Watchman::streamStarted(const QString &port)
{
    port_ = port;
    if (streaming_)
        return;
    streaming_ = true;
    resetRules();
    lastSeen_ = clock_.elapsedSeconds();
    lastSeenTime_ = clock_.now();
    lastSeenIsReading_ = false;
    updateTimer();
    emit eventRaised(makeEvent(MonitorEventKind::StreamStart));
}

void Watchman::streamEnded()
{
    if (!streaming_)
        return;
    const QString detail = QStringLiteral("stream ended");
    if (elevation_)
        endAlarm(*elevation_, detail);
    if (azimuth_)
        endAlarm(*azimuth_, detail);
    endNoReadings(detail);
    streaming_ = false;
    updateTimer();
    emit eventRaised(makeEvent(MonitorEventKind::StreamEnd));
}

void Watchman::portLost(const QString &port, const QString &reason)
{
    port_ = port;
    MonitorEvent e = makeEvent(MonitorEventKind::PortLost);
    e.detail = reason;
    emit eventRaised(e);
}

void Watchman::portBack(const QString &port, qint64 lostForMSecs)
{
    port_ = port;
    MonitorEvent e = makeEvent(MonitorEventKind::PortBack);
    e.detail = u"after " + durationText(lostForMSecs);
    emit eventRaised(e);
}

void Watchman::readingAccepted(const Reading &reading)
{
    if (!streaming_)
        return;
    const double t = clock_.elapsedSeconds();
    lastSeen_ = t;
    lastSeenMSecs_ = reading.msecsSinceEpoch;
    lastSeenOffset_ = reading.utcOffsetSeconds;
    lastSeenIsReading_ = true;
    endNoReadings({});
    if (elevation_)
        feed(*elevation_, reading.elevation, t, reading);
    if (azimuth_)
        feed(*azimuth_, reading.azimuth, t, reading);
}

void Watchman::feed(Rule &rule, double value, double t, const Reading &reading)
{
    apply(rule, int(rule.rule.feed(value, t, reading.msecsSinceEpoch, reading.utcOffsetSeconds)));
}

void Watchman::apply(Rule &rule, int change)
{
    switch (LimitRule::Change(change)) {
    case LimitRule::Change::None:
        return;
    case LimitRule::Change::ExtremeMoved:
        emit stateChanged();
        return;
    case LimitRule::Change::Started:
    case LimitRule::Change::Ended: {
        const bool started = LimitRule::Change(change) == LimitRule::Change::Started;
        MonitorEvent e =
            makeEvent(started ? MonitorEventKind::AlarmStart : MonitorEventKind::AlarmEnd);
        e.quantity = rule.quantity;
        e.value = rule.rule.decidingValue();
        e.limit = rule.rule.limit();
        emit eventRaised(e);
        emit stateChanged();
        return;
    }
    }
}

void Watchman::endAlarm(Rule &rule, const QString &detail)
{
    if (!rule.rule.alarmOn())
        return;
    MonitorEvent e = makeEvent(MonitorEventKind::AlarmEnd);
    e.quantity = rule.quantity;
    e.limit = rule.rule.limit();
    e.detail = detail;
    // Judged afresh from here on.
    rule.rule = LimitRule(
        rule.quantity == Quantity::Azimuth ? LimitRule::Shape::Compass : LimitRule::Shape::Range,
        rule.quantity == Quantity::Azimuth ? settings_.azimuth : settings_.elevation,
        settings_.holdSeconds, settings_.hysteresisDegrees);
    emit eventRaised(e);
    emit stateChanged();
}

void Watchman::endNoReadings(const QString &detail)
{
    if (!silent_)
        return;
    silent_ = false;
    silentSince_.reset();
    MonitorEvent e = makeEvent(MonitorEventKind::NoReadingsEnd);
    e.detail = detail;
    emit eventRaised(e);
    emit stateChanged();
}

void Watchman::check()
{
    if (!streaming_)
        return;
    const double t = clock_.elapsedSeconds();
    if (elevation_)
        apply(*elevation_, int(elevation_->rule.tick(t)));
    if (azimuth_)
        apply(*azimuth_, int(azimuth_->rule.tick(t)));
    const int after = settings_.noReadingsAfterSeconds;
    if (!silent_ && after > 0 && t - lastSeen_ + 1e-6 >= after) {
        silent_ = true;
        silentSince_ =
            lastSeenIsReading_ ? wallTime(lastSeenMSecs_, lastSeenOffset_) : lastSeenTime_;
        MonitorEvent e = makeEvent(MonitorEventKind::NoReadingsStart);
        e.detail = u"no reading for " + durationText(qint64((t - lastSeen_) * 1000));
        emit eventRaised(e);
        emit stateChanged();
    }
}

QList<Watchman::ActiveAlarm> Watchman::activeAlarms() const
{
    QList<ActiveAlarm> alarms;
    for (const Rule *rule : {elevation_.get(), azimuth_.get()}) {
        if (!rule || !rule->rule.alarmOn())
            continue;
        const LimitRule &r = rule->rule;
        alarms.append({rule->quantity, r.above(), r.limit(),
                       wallTime(r.sinceMSecs(), r.sinceUtcOffset()), r.extreme()});
    }
    return alarms;
}

std::optional<QDateTime> Watchman::noReadingsSince() const
{
    return silentSince_;
}
