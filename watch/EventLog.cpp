#include "watch/EventLog.h"

#include "platform/runtime/WorkerThread.h"
#include "watch/EventFileWriter.h"
#include "watch/EventRow.h"

#include <QDir>
#include <QLoggingCategory>
#include <QThread>

Q_LOGGING_CATEGORY(lcEventLog, "orvel.watch.events")

namespace
{

constexpr unsigned long ShutdownWaitMs = 3000;

} // namespace

QString eventsFilePath(const QString &folder, const QString &recordingBase)
{
    return QDir(folder).filePath(recordingBase + QStringLiteral(".events.csv"));
}

EventLog::EventLog(const QString &folder, QObject *parent)
    : QObject(parent), folder_(folder), pending_(std::make_shared<std::atomic<int>>(0))
{
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("events"));
    writer_ = new EventFileWriter;
    writer_->moveToThread(thread_);
    connect(writer_, &EventFileWriter::written, this, &EventLog::onWritten, Qt::QueuedConnection);
    connect(writer_, &EventFileWriter::failed, this, &EventLog::onFailed, Qt::QueuedConnection);
    thread_->start();
}

EventLog::~EventLog()
{
    // Queued behind the rows still waiting, so that they are written first.
    QMetaObject::invokeMethod(
        writer_, [] { QThread::currentThread()->quit(); }, Qt::QueuedConnection);
    if (!endWorkerThread(thread_, writer_, ShutdownWaitMs))
        qCWarning(lcEventLog) << "the events file's disk does not answer; events are lost";
}

void EventLog::setBaseLookup(BaseLookup lookup)
{
    lookup_ = std::move(lookup);
}

QString EventLog::recordingBase(const QDate &date) const
{
    if (lookup_) {
        const QString base = lookup_(date);
        if (!base.isEmpty())
            return base;
    }
    return date.toString(Qt::ISODate);
}

void EventLog::append(const MonitorEvent &event)
{
    // A disk that stopped answering must not make the queue grow without bound.
    if (pending_->load() >= MaxPending) {
        ++dropped_;
        onFailed(folder_, QStringLiteral("the disk does not keep up; events are lost"));
        return;
    }
    ++*pending_;
    const QString path = eventsFilePath(folder_, recordingBase(event.time.date()));
    QMetaObject::invokeMethod(
        writer_,
        [writer = writer_, pending = pending_, path, row = EventRow::format(event)] {
            writer->write(path, row);
            --*pending;
        },
        Qt::QueuedConnection);
}

void EventLog::onWritten(const QString &path)
{
    failing_ = false;
    emit written(path);
}

void EventLog::onFailed(const QString &path, const QString &reason)
{
    if (failing_)
        return;
    failing_ = true;
    qCWarning(lcEventLog) << "cannot write" << path << reason;
    emit failed(QDir::toNativeSeparators(path) + u": " + reason);
}
