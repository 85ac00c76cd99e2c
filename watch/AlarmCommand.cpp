#include "watch/AlarmCommand.h"

#include "watch/EventRow.h"

#include <QLocale>
#include <QLoggingCategory>
#include <QProcess>
#include <QTimer>

#include <cmath>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcAlarmCommand, "orvel.watch.command")

using namespace Qt::StringLiterals;

namespace
{

// After the polite end (SIGTERM), this long before the command is killed.
constexpr int KillGraceMs = 2000;

QString numberText(double value)
{
    return std::isfinite(value) ? QString::number(value, 'g', QLocale::FloatingPointShortest)
                                : QString();
}

// Ends the command and whatever it started.
void signalGroup(QProcess &process, bool kill)
{
#ifdef Q_OS_UNIX
    const qint64 pid = process.processId();
    if (pid > 0 && ::kill(-pid_t(pid), kill ? SIGKILL : SIGTERM) == 0)
        return;
#endif
    if (kill)
        process.kill();
    else
        process.terminate();
}

bool isPassedOn(MonitorEventKind kind)
{
    switch (kind) {
    case MonitorEventKind::AlarmStart:
    case MonitorEventKind::AlarmEnd:
    case MonitorEventKind::NoReadingsStart:
    case MonitorEventKind::NoReadingsEnd:
    case MonitorEventKind::PortLost:
    case MonitorEventKind::PortBack:
        return true;
    case MonitorEventKind::StreamStart:
    case MonitorEventKind::StreamEnd:
    case MonitorEventKind::CommandFailed:
    case MonitorEventKind::PublishDropped:
    case MonitorEventKind::BrokerRefused:
        break;
    }
    return false;
}

} // namespace

AlarmCommand::AlarmCommand(QObject *parent) : QObject(parent), limit_(new QTimer(this))
{
    limit_->setSingleShot(true);
    connect(limit_, &QTimer::timeout, this, &AlarmCommand::onTimeLimit);
}

AlarmCommand::~AlarmCommand()
{
    if (process_) {
        process_->disconnect(this);
        signalGroup(*process_, true);
        process_->waitForFinished(KillGraceMs);
    }
}

void AlarmCommand::setCommand(const QString &command)
{
    command_ = command.trimmed();
    if (command_.isEmpty())
        waiting_.clear();
}

MonitorEvent AlarmCommand::failureEvent(const MonitorEvent &cause, const QString &detail,
                                        const QDateTime &now)
{
    MonitorEvent e;
    e.time = now;
    e.kind = MonitorEventKind::CommandFailed;
    e.quantity = cause.quantity;
    e.port = cause.port;
    e.detail = eventName(cause.kind) + u" at "_s +
               QString::fromLatin1(EventRow::timeText(cause.time)) + u": "_s + detail;
    return e;
}

QProcessEnvironment AlarmCommand::environmentFor(const MonitorEvent &event,
                                                 const QProcessEnvironment &base)
{
    QProcessEnvironment env = base;
    env.insert(u"ORVEL_EVENT"_s, eventName(event.kind));
    env.insert(u"ORVEL_QUANTITY"_s, quantityName(event.quantity));
    env.insert(u"ORVEL_VALUE"_s, numberText(event.value));
    env.insert(u"ORVEL_LIMIT"_s, numberText(event.limit));
    env.insert(u"ORVEL_TIME"_s, QString::fromLatin1(EventRow::timeText(event.time)));
    env.insert(u"ORVEL_PORT"_s, event.port);
    env.insert(u"ORVEL_DETAIL"_s, event.detail);
    return env;
}

void AlarmCommand::run(const MonitorEvent &event)
{
    if (command_.isEmpty() || !isPassedOn(event.kind))
        return;
    if (process_) {
        if (waiting_.size() >= MaxWaiting) {
            emit failed(event, u"not run: "_s + QString::number(MaxWaiting) +
                                   u" events were already waiting for the command"_s);
            return;
        }
        waiting_.push_back(event);
        return;
    }
    start(event);
}

void AlarmCommand::start(const MonitorEvent &event)
{
    current_ = event;
    output_.clear();
    outputCut_ = false;
    timedOut_ = false;
    QStringList words = QProcess::splitCommand(command_);
    if (words.isEmpty()) {
        finish(u"the command is empty"_s);
        return;
    }
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setProgram(words.takeFirst());
    process_->setArguments(words);
    process_->setProcessEnvironment(
        environmentFor(event, QProcessEnvironment::systemEnvironment()));
    connect(process_, &QProcess::readyRead, this, &AlarmCommand::onOutput);
    connect(process_, &QProcess::finished, this, &AlarmCommand::onFinished);
    connect(process_, &QProcess::errorOccurred, this, &AlarmCommand::onError);
#ifdef Q_OS_UNIX
    // A group of its own, so that ending it at the time limit ends what it started too (a
    // script's sleep or mail).
    process_->setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    limit_->start(timeLimitMs_);
    process_->start();
}

void AlarmCommand::onOutput()
{
    // Read always, so the command never blocks on a full pipe; keep only the start.
    const QByteArray chunk = process_->readAll();
    const qsizetype room = MaxOutputBytes - output_.size();
    output_ += chunk.first(qMin(room, chunk.size()));
    outputCut_ = outputCut_ || chunk.size() > room;
}

void AlarmCommand::onTimeLimit()
{
    if (!process_)
        return;
    timedOut_ = true;
    signalGroup(*process_, false);
    QTimer::singleShot(KillGraceMs, process_,
                       [process = process_] { signalGroup(*process, true); });
}

void AlarmCommand::onError(QProcess::ProcessError error)
{
    // Other errors are followed by finished(); one that never started is not.
    if (error != QProcess::FailedToStart)
        return;
    finish(u"cannot start "_s + process_->program() + u": "_s + process_->errorString());
}

void AlarmCommand::onFinished(int exitCode, QProcess::ExitStatus status)
{
    onOutput();
    const QString output = QString::fromUtf8(output_).trimmed() + (outputCut_ ? u" ..."_s : u""_s);
    const QString tail = output.isEmpty() ? QString() : u": "_s + output;
    if (timedOut_)
        finish(u"ended after "_s + QString::number(timeLimitMs_ / 1000.0) + u" s"_s + tail);
    else if (status == QProcess::CrashExit)
        finish(u"crashed"_s + tail);
    else if (exitCode != 0)
        finish(u"exit code "_s + QString::number(exitCode) + tail);
    else
        finish({});
}

void AlarmCommand::finish(const QString &failure)
{
    limit_->stop();
    if (process_) {
        process_->disconnect(this);
        process_->deleteLater();
        process_ = nullptr;
    }
    if (!failure.isEmpty()) {
        qCInfo(lcAlarmCommand) << "alarm command failed:" << failure.left(200);
        emit failed(current_, failure);
    }
    emit finished();
    if (!waiting_.empty() && !process_) {
        const MonitorEvent next = waiting_.front();
        waiting_.pop_front();
        start(next);
    }
}
