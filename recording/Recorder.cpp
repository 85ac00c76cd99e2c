#include "recording/Recorder.h"

#include "platform/runtime/Prompts.h"
#include "platform/runtime/WorkerThread.h"
#include "recording/RecordingWriter.h"

#include <QDir>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

namespace
{
Q_LOGGING_CATEGORY(lcRecorder, "orvel.recording")
} // namespace

Recorder::Recorder(Prompts &prompts, const Options &options, QObject *parent)
    : QObject(parent), prompts_(prompts),
      folder_(options.folder.isEmpty() ? RecordingFolder::defaultPath() : options.folder),
      enabledThisRun_(options.enabledThisRun), stallMs_(options.stallMs),
      queue_(std::make_shared<ReadingQueue>(options.queueCapacity))
{
    if (!enabledThisRun_)
        return;
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("recording"));
    writer_ = new RecordingWriter(queue_, {folder_, options.capBytes, options.writeIntervalMs,
                                           options.retryIntervalMs, options.syncIntervalMs,
                                           options.fileOps});
    writer_->moveToThread(thread_);
    connect(thread_, &QThread::started, writer_, &RecordingWriter::resume);
    connect(writer_, &RecordingWriter::failed, this, &Recorder::onFailed, Qt::QueuedConnection);
    connect(writer_, &RecordingWriter::recovered, this, &Recorder::onRecovered,
            Qt::QueuedConnection);
    connect(writer_, &RecordingWriter::remade, this, &Recorder::onRemade, Qt::QueuedConnection);
    connect(writer_, &RecordingWriter::recordingBeside, this, &Recorder::onRecordingBeside,
            Qt::QueuedConnection);
    stallCheck_ = new QTimer(this);
    stallCheck_->setInterval(qMax(100, stallMs_ / 4));
    connect(stallCheck_, &QTimer::timeout, this, &Recorder::checkStall);
    stallCheck_->start();
    thread_->start();
}

Recorder::~Recorder()
{
    if (!thread_)
        return;
    QMetaObject::invokeMethod(writer_, &RecordingWriter::finish, Qt::QueuedConnection);
    if (!endWorkerThread(thread_, writer_, ShutdownWaitMs))
        qCWarning(lcRecorder, "%s does not answer; what waited to be written is lost",
                  qPrintable(QDir::toNativeSeparators(folder_)));
}

void Recorder::setRecordingOn(bool on)
{
    if (on == on_)
        return;
    on_ = on;
    if (!thread_)
        return;
    told_ = false;
    stalled_ = false;
    if (on) {
        queue_->markProgress();
        QMetaObject::invokeMethod(writer_, &RecordingWriter::resume, Qt::QueuedConnection);
        stallCheck_->start();
    } else {
        QMetaObject::invokeMethod(writer_, &RecordingWriter::pause, Qt::QueuedConnection);
        stallCheck_->stop();
    }
}

void Recorder::reopenFile()
{
    if (thread_ && on_)
        QMetaObject::invokeMethod(writer_, &RecordingWriter::reopen, Qt::QueuedConnection);
}

void Recorder::readingAccepted(const Reading &reading)
{
    if (!isRecording())
        return;
    lastReading_ = reading;
    queue_->push(reading);
}

QString Recorder::failureText()
{
    return QStringLiteral("Readings are not being recorded.");
}

QString Recorder::failureDetail(const QString &file, const QString &reason)
{
    return QStringLiteral("%1: %2.\n\nThe display goes on. Recording resumes by itself when the "
                          "file can be written again; the readings in between are missing from "
                          "it.")
        .arg(QDir::toNativeSeparators(file), reason);
}

QString Recorder::remadeText()
{
    return QStringLiteral("The recording file was removed.");
}

QString Recorder::remadeDetail(const QString &file)
{
    return QStringLiteral("%1 was removed or moved away, with its folder or alone, while readings "
                          "were recorded into it. It is made again and recording goes on; what "
                          "was recorded into it before went with it.")
        .arg(QDir::toNativeSeparators(file));
}

void Recorder::onRemade(const QString &file)
{
    if (isRecording())
        prompts_.message(remadeText(), remadeDetail(file));
}

QString Recorder::besideText(const QString &file, const QString &taken)
{
    return QStringLiteral("Another program is recording into %1. This one records its readings "
                          "into %2.")
        .arg(QDir::toNativeSeparators(taken), QDir::toNativeSeparators(file));
}

void Recorder::onRecordingBeside(const QString &file, const QString &taken)
{
    // Once a run: the next days follow the same rule.
    if (toldBeside_)
        return;
    toldBeside_ = true;
    prompts_.message(besideText(file, taken));
}

void Recorder::onFailed(const QString &file, const QString &reason)
{
    if (told_ || !isRecording())
        return;
    told_ = true;
    prompts_.message(failureText(), failureDetail(file, reason));
}

void Recorder::onRecovered()
{
    told_ = false;
}

void Recorder::checkStall()
{
    const qint64 idle = queue_->msecsSinceProgress();
    if (idle < stallMs_) {
        if (stalled_) {
            stalled_ = false;
            told_ = false;
        }
        return;
    }
    if (stalled_ || queue_->size() == 0)
        return;
    stalled_ = true;
    onFailed(RecordingFolder::dayFilePath(folder_,
                                          QString::fromLatin1(RecordRow::localDate(lastReading_))),
             QStringLiteral("the disk has not accepted anything for %1 seconds")
                 .arg(qMax<qint64>(1, (idle + 500) / 1000)));
}
