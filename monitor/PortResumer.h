#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class Clock;
class SerialControl;

// Which device a Com port reaches, as far as telling two devices apart goes.
struct PortIdentity {
    QString device;       // system location or the path given for the port; empty: none
    QString serialNumber; // the adapter's serial number; empty when it has none
    bool byPath = false;  // named by a path (ORVEL_COM<n>, a by-id link), not by its place
};

// Opens a lost port again while the live stream is on. The stream is on from a Start that
// opened the port until streamEnded(). A loss while it is on starts the retrying: every
// RetryMs the same device is opened again and the stream restarted on it. A port named by a
// path is that path again; a port picked by its place in the system's list is opened only when
// the adapter there has the serial number and system location of the one lost. The chart,
// the receive buffer and the recording are not touched here.
class PortResumer final : public QObject
{
    Q_OBJECT

public:
    using Identify = std::function<PortIdentity(short port)>;
    // Called with the port open again, to restart the stream on it.
    using Restart = std::function<void()>;

    PortResumer(SerialControl &port, const Clock &clock, Identify identify, Restart restart,
                QObject *parent = nullptr);

    static constexpr int RetryMs = 2000;

    // Off: a loss is only reported (lost()), nothing is retried.
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }

    // Start opened the port: remembers the device it reached.
    void streamStarted();
    // Stop, Setup, Open Recording, Exit, or a Start chosen again: no more retrying.
    void streamEnded();
    bool streamOn() const { return streamOn_; }
    bool retrying() const { return retryTimer_.isActive(); }

    // One attempt now (the timer's tick; tests call it directly).
    void tryAgain();

    // "Com port 1", or the path the port is named by.
    QString portName() const;

    // "2 min 7 s", "45 s", "1 h 3 min".
    static QString durationText(qint64 msecs);

signals:
    void lost(const QString &port, const QDateTime &at, const QString &reason);
    // The device in the port's place is not the one lost; it was left closed.
    void refused(const QString &port, const QString &why);
    // An opening failed for another reason (the device is still away).
    void stillAway(const QString &port, const QString &reason);
    void back(const QString &port, const QDateTime &at, qint64 lostForMSecs);
    // Human-readable state for the chart's notice line; empty when there is nothing to say.
    void noticeChanged(const QString &text);

private:
    void onDeviceLost(const QString &reason);
    // Empty when `now` is the device that was lost, else why not.
    QString differs(const PortIdentity &now) const;
    void say(const QString &text);

    SerialControl &port_;
    const Clock &clock_;
    Identify identify_;
    Restart restart_;
    QTimer retryTimer_;
    bool enabled_ = true;
    bool streamOn_ = false;
    short commPort_ = 1;
    PortIdentity identity_;
    QDateTime lostAt_;
    double lostElapsed_ = 0;
    QString lastNotice_;
};
