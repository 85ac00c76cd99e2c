#pragma once

#include "watch/MonitorEvent.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <deque>

class QTimer;

// Runs the user's command once per alarm, watchdog and port event (not for a stream's start or
// end, nor for its own failures), with no shell: the program and its arguments split as
// a command line is (quotes keep spaces), the event in the environment (ORVEL_EVENT,
// ORVEL_QUANTITY, ORVEL_VALUE, ORVEL_LIMIT, ORVEL_TIME, ORVEL_PORT, ORVEL_DETAIL). One command
// runs at a time; events that come meanwhile wait in a bounded queue. A command that cannot
// start, exits with a failure or is still running after the time limit is reported with its
// output (bounded).
class AlarmCommand final : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultTimeLimitMs = 30000;
    static constexpr int MaxWaiting = 64;
    static constexpr qsizetype MaxOutputBytes = 4096;

    explicit AlarmCommand(QObject *parent = nullptr);
    ~AlarmCommand() override;

    // Empty: nothing is run (and events still waiting are dropped).
    void setCommand(const QString &command);
    QString command() const { return command_; }
    void setTimeLimitMs(int ms) { timeLimitMs_ = ms; }

    void run(const MonitorEvent &event);

    // The environment the command sees for an event.
    static QProcessEnvironment environmentFor(const MonitorEvent &event,
                                              const QProcessEnvironment &base);

    // The command-failed event for a failure, to keep and tell like the others.
    static MonitorEvent failureEvent(const MonitorEvent &cause, const QString &detail,
                                     const QDateTime &now);

    bool busy() const { return process_ != nullptr; }

signals:
    void failed(const MonitorEvent &cause, const QString &detail);
    // A command ended (either way); for tests.
    void finished();

private:
    void start(const MonitorEvent &event);
    void onOutput();
    void onTimeLimit();
    void onError(QProcess::ProcessError error);
    void onFinished(int exitCode, QProcess::ExitStatus status);
    void finish(const QString &failure);

    QString command_;
    int timeLimitMs_ = DefaultTimeLimitMs;
    std::deque<MonitorEvent> waiting_;
    QProcess *process_ = nullptr;
    QTimer *limit_ = nullptr;
    MonitorEvent current_;
    QByteArray output_;
    bool outputCut_ = false;
    bool timedOut_ = false;
};
