#pragma once

#include "watch/MonitorEvent.h"

#include <QList>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

#include <deque>

class QProcess;
class QTimer;

// Runs the user's command once per event, with no shell: the program and its arguments split as
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

    // Empty: nothing is run.
    void setCommand(const QString &command);
    QString command() const { return command_; }
    void setTimeLimitMs(int ms) { timeLimitMs_ = ms; }

    void run(const MonitorEvent &event);

    // The environment the command sees for an event.
    static QProcessEnvironment environmentFor(const MonitorEvent &event,
                                              const QProcessEnvironment &base);

    bool busy() const { return process_ != nullptr; }

signals:
    void failed(const MonitorEvent &cause, const QString &detail);
    // A command ended (either way); for tests.
    void finished();

private:
    QString command_;
    int timeLimitMs_ = DefaultTimeLimitMs;
    std::deque<MonitorEvent> waiting_;
    QProcess *process_ = nullptr;
    QTimer *limit_ = nullptr;
};
