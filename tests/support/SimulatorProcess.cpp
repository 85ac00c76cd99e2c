#include "SimulatorProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

SimulatorProcess::SimulatorProcess(QObject *parent) : QObject(parent) {}

SimulatorProcess::~SimulatorProcess()
{
    stop();
}

QString SimulatorProcess::logPath() const
{
    return dir_.filePath(QStringLiteral("device.log"));
}

bool SimulatorProcess::start(const QStringList &options, int comPort, int timeoutMs)
{
    stop();
    const QString program = qEnvironmentVariable("ORVEL_SIM");
    if (program.isEmpty()) {
        error_ = QStringLiteral("ORVEL_SIM does not name the simulator");
        return false;
    }
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary directory for the log");
        return false;
    }
    QFile::remove(logPath());

    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.setReadChannel(QProcess::StandardOutput);
#ifdef Q_OS_LINUX
    // A test that crashes or times out must not leave its simulator running behind it.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    process_.start(program, QStringList(options) << QStringLiteral("--log") << logPath());
    if (!process_.waitForStarted(timeoutMs)) {
        error_ = QStringLiteral("cannot start %1: %2").arg(program, process_.errorString());
        return false;
    }

    // The terminal's path is the first line; QProcess waits for it without spinning.
    const QDeadlineTimer deadline(timeoutMs);
    while (!process_.canReadLine()) {
        if (deadline.hasExpired() || process_.state() != QProcess::Running ||
            !process_.waitForReadyRead(int(deadline.remainingTime()))) {
            if (process_.canReadLine())
                break;
            error_ = QStringLiteral("the simulator did not tell its terminal: %1")
                         .arg(QString::fromLocal8Bit(process_.readAllStandardError()));
            stop();
            return false;
        }
    }
    ptyPath_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    variable_ = QStringLiteral("ORVEL_COM%1").arg(comPort).toLatin1();
    qputenv(variable_.constData(), ptyPath_.toLocal8Bit());
    return true;
}

void SimulatorProcess::stop()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    if (!variable_.isEmpty())
        qunsetenv(variable_.constData());
    variable_.clear();
}

bool SimulatorProcess::isRunning() const
{
    return process_.state() == QProcess::Running;
}

bool SimulatorProcess::waitForExit(int timeoutMs)
{
    return QTest::qWaitFor([this] { return !isRunning(); }, timeoutMs);
}

QStringList SimulatorProcess::logLines() const
{
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList SimulatorProcess::logLinesContaining(const QString &contains) const
{
    return logLines().filter(contains);
}

bool SimulatorProcess::waitForLogLine(const QString &contains, int timeoutMs)
{
    return QTest::qWaitFor([&] { return !logLinesContaining(contains).isEmpty(); }, timeoutMs);
}
