#pragma once

#include "platform/runtime/Clock.h"
#include "recording/ReadingSink.h"
#include "watch/MonitorEvent.h"
#include "watch/MonitoringSettings.h"

#include <QDateTime>
#include <QList>
#include <QObject>

#include <memory>
#include <optional>

class LimitRule;
class QTimer;

// The alarm rules and the no-readings watchdog: fed by the stream (every accepted reading, the
// stream's start and end, a port lost and back), read by the display, and raising events.
class Watchman final : public QObject, public ReadingSink
{
    Q_OBJECT

public:
    explicit Watchman(const Clock &clock, QObject *parent = nullptr);
    ~Watchman() override;

    // Takes effect from the next reading; an alarm whose band, hold time or hysteresis changed
    // ends (with its event) and is judged afresh.
    void setSettings(const MonitoringSettings &settings);
    const MonitoringSettings &settings() const { return settings_; }

    // After Start: arms the watchdog and raises stream-start. While a stream is already on (a
    // resume) it only takes the port's name.
    void streamStarted(const QString &port);
    // Stop, Setup, Open Recording, Exit: ends the alarms and the watchdog's alarm that are on
    // (with their events, detail "stream ended"), disarms the watchdog, raises stream-end.
    void streamEnded();
    // The stream stays on while the port is away: the watchdog goes on counting.
    void portLost(const QString &port, const QString &reason);
    void portBack(const QString &port, qint64 lostForMSecs);
    // Readings outside a stream are not watched.
    void readingAccepted(const Reading &reading) override;
    // The time-based transitions at clock.now(); a timer calls it every 250 ms while a stream is
    // on.
    void check();

    bool streaming() const { return streaming_; }

    struct ActiveAlarm {
        Quantity quantity = Quantity::None;
        bool above = false;
        double limit = 0;
        QDateTime since;
        // The farthest value beyond the limit while the alarm is on.
        double extreme = 0;
    };
    QList<ActiveAlarm> activeAlarms() const;
    // Set while the watchdog's alarm is on: the time of the last reading (or of the stream's
    // start when none came).
    std::optional<QDateTime> noReadingsSince() const;

signals:
    void eventRaised(const MonitorEvent &event);
    // An alarm or the watchdog started or ended, or an alarm's extreme moved.
    void stateChanged();

private:
    struct Rule;
    void feed(Rule &rule, double value, double t, const Reading &reading);
    void apply(Rule &rule, int change);
    void endAlarm(Rule &rule, const QString &detail);
    void resetRules();
    void updateTimer();
    void endNoReadings(const QString &detail);
    MonitorEvent makeEvent(MonitorEventKind kind) const;

    const Clock &clock_;
    MonitoringSettings settings_;
    QTimer *timer_ = nullptr;
    QString port_;
    bool streaming_ = false;
    std::unique_ptr<Rule> elevation_;
    std::unique_ptr<Rule> azimuth_;
    // The watchdog: the last reading (or the stream's start) on the monotonic clock and the wall.
    double lastSeen_ = 0;
    QDateTime lastSeenTime_;
    qint64 lastSeenMSecs_ = 0;
    int lastSeenOffset_ = 0;
    bool lastSeenIsReading_ = false;
    bool silent_ = false;
    std::optional<QDateTime> silentSince_;
};
