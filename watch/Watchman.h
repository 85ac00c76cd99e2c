#pragma once

#include "platform/runtime/Clock.h"
#include "recording/ReadingSink.h"
#include "watch/MonitorEvent.h"
#include "watch/MonitoringSettings.h"

#include <QDateTime>
#include <QList>
#include <QObject>

#include <optional>

class QTimer;

// The alarm rules and the no-readings watchdog: fed by the stream (every accepted reading, the
// stream's start and end, a port lost and back), read by the display, and raising events.
class Watchman final : public QObject, public ReadingSink
{
    Q_OBJECT

public:
    explicit Watchman(const Clock &clock, QObject *parent = nullptr);
    ~Watchman() override;

    // Takes effect from the next reading; alarms of a band switched off end.
    void setSettings(const MonitoringSettings &settings);
    const MonitoringSettings &settings() const { return settings_; }

    // After Start (or a resume): arms the watchdog.
    void streamStarted(const QString &port);
    // Stop, Setup, Open Recording, Exit: disarms the watchdog and ends what is on, with events.
    void streamEnded();
    void portLost(const QString &port, const QString &reason);
    void portBack(const QString &port, qint64 lostForMSecs);
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
    // An alarm or the watchdog started or ended.
    void stateChanged();

private:
    const Clock &clock_;
    MonitoringSettings settings_;
    QTimer *timer_ = nullptr;
    QString port_;
    bool streaming_ = false;
};
