#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Runs the device simulator (its path in the environment variable ORVEL_SIM) for a test and
// points Com port n at its terminal through ORVEL_COM<n>.
//
//     SimulatorProcess sim;
//     QVERIFY2(sim.start({"--reply-delay", "100"}), qPrintable(sim.errorString()));
//     ... open Com port 1 ...
//     QVERIFY(sim.waitForLogLine("rx !STOP", 2000));
//
// The simulator logs to a file of its own (logPath()); every received line appears there as
// "<ms> <hh:mm:ss.zzz> rx <line>", replies as "... reply <text>", and events such as
// "event port opened", "event port closed" and "event hangup".
class SimulatorProcess : public QObject
{
    Q_OBJECT

public:
    explicit SimulatorProcess(QObject *parent = nullptr);
    ~SimulatorProcess() override;

    // Starts the simulator with the given options (--log is added) and waits at most
    // timeoutMs for its terminal's path; then sets ORVEL_COM<comPort> to it. False, with
    // errorString(), when it does not come up.
    bool start(const QStringList &options = {}, int comPort = 1, int timeoutMs = 5000);
    // Ends it (SIGTERM, then kill) and unsets the ORVEL_COM variable it set.
    void stop();

    bool isRunning() const;
    // Waits, processing events, until the simulator has ended by itself (after a hang-up).
    bool waitForExit(int timeoutMs);

    QString ptyPath() const { return ptyPath_; }
    QString logPath() const;
    QString errorString() const { return error_; }

    // The log's lines so far.
    QStringList logLines() const;
    // The lines that contain the text.
    QStringList logLinesContaining(const QString &contains) const;
    // Waits, processing events, until a log line contains the text; false after timeoutMs.
    bool waitForLogLine(const QString &contains, int timeoutMs = 3000);

private:
    QProcess process_;
    QTemporaryDir dir_;
    QString ptyPath_;
    QString error_;
    QByteArray variable_;
};
