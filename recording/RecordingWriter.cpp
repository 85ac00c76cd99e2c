#include "recording/RecordingWriter.h"

#include "recording/ReadingQueue.h"
#include "recording/RecordingFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <csignal>
#include <pthread.h>
#include <unistd.h>
#endif

namespace
{

// A folder over its cap because of today's file alone is looked at again only after this long.
constexpr qint64 PruneAgainMs = 60'000;

// A file that does not end with a line end was cut short (a crash, a power cut, a full disk):
// its torn last line is cut off, since a line cut inside its last value would read back as a
// different, made-up value. When it cannot be cut (no line end in sight, a file that cannot be
// resized), the next row starts on a fresh line instead. Returns what must precede the next row.
QByteArray repairTornTail(const QString &path)
{
    constexpr qint64 Look = 64 * 1024;
    const QByteArray freshLine = QByteArrayLiteral("\r\n");
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return freshLine;
    const qint64 size = file.size();
    const qint64 look = qMin(size, Look);
    if (size == 0 || !file.seek(size - look))
        return {};
    const QByteArray tail = file.read(look);
    if (tail.size() != look)
        return freshLine;
    if (tail.endsWith('\n'))
        return {};
    const qsizetype lastEnd = tail.lastIndexOf('\n');
    if (lastEnd < 0 && look < size)
        return freshLine;
    return file.resize(size - look + lastEnd + 1) ? QByteArray() : freshLine;
}

} // namespace

RecordingWriter::RecordingWriter(std::shared_ptr<ReadingQueue> queue, const Settings &settings)
    : queue_(std::move(queue)), settings_(settings)
{
}

RecordingWriter::~RecordingWriter() = default;

void RecordingWriter::resume()
{
    if (!timer_) {
#ifdef Q_OS_UNIX
        // A recording file that is a pipe whose reader went away fails with EPIPE on this
        // thread instead of ending the program.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
#endif
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, &RecordingWriter::writeWaiting);
        // Made at once, here, so that the user can open it before anything is recorded; a
        // failure is reported with the first row.
        QDir().mkpath(settings_.folder);
    }
    timer_->start(settings_.writeIntervalMs);
}

void RecordingWriter::pause()
{
    if (timer_)
        timer_->stop();
    writeWaiting();
    closeFile();
}

void RecordingWriter::finish()
{
    pause();
    delete timer_;
    timer_ = nullptr;
    thread()->quit();
}

void RecordingWriter::writeWaiting()
{
    queue_->takeAll(batch_);
    if (!batch_.empty()) {
        // Rows are gathered a day at a time: a batch that crosses midnight goes to two files.
        rows_.clear();
        int count = 0;
        qint64 rowsDay = 0;
        const Reading *first = nullptr;
        for (const Reading &reading : batch_) {
            const qint64 day = RecordRow::localDayNumber(reading);
            if (count > 0 && day != rowsDay) {
                writeRows(rowsDay, *first, count);
                rows_.clear();
                count = 0;
            }
            if (count == 0) {
                rowsDay = day;
                first = &reading;
            }
            RecordRow::append(rows_, reading);
            ++count;
        }
        writeRows(rowsDay, *first, count);
    }
    if (unsynced_ && sinceSync_.isValid() && sinceSync_.elapsed() >= settings_.syncIntervalMs)
        sync();
    queue_->markProgress();
}

void RecordingWriter::writeRows(qint64 dayNumber, const Reading &first, int count)
{
    if (waitingToRetry()) {
        queue_->addLost(quint64(count));
        return;
    }
    if (!file_.isOpen() || dayNumber != dayNumber_) {
        dayNumber_ = dayNumber;
        if (!openDay(QString::fromLatin1(RecordRow::localDate(first)))) {
            queue_->addLost(quint64(count));
            return;
        }
    }
    const qint64 written = file_.write(rows_);
    if (written == rows_.size()) {
        queue_->addWritten(quint64(count));
        folderBytes_ += written;
        unsynced_ = true;
        if (failing_) {
            failing_ = false;
            emit recovered();
        }
        if (folderBytes_ > settings_.capBytes &&
            (!overCapAfterPrune_ || sincePrune_.elapsed() >= PruneAgainMs))
            pruneFolder(day_);
        return;
    }
    // Whole rows that reached the file stay there; the torn one is cut off at the next opening.
    const quint64 whole = written > 0 ? quint64(rows_.first(written).count('\n')) : 0;
    queue_->addWritten(whole);
    queue_->addLost(quint64(count) - whole);
    fail(file_.errorString());
    file_.close();
}

bool RecordingWriter::openDay(const QString &day)
{
    const bool newDay = day != day_;
    closeFile();
    day_ = day;
    if (!QDir().mkpath(settings_.folder)) {
        fail(QStringLiteral("the folder cannot be made"));
        return false;
    }
    const QString path = RecordingFolder::dayFilePath(settings_.folder, day);
    if (newDay || !sincePrune_.isValid())
        pruneFolder(day);
    QByteArray lead;
    const QFileInfo info(path);
    if (info.isFile() && info.size() > 0)
        lead = repairTornTail(path);
    file_.setFileName(path);
    // A pipe or a device has no end to append at.
    const bool stream = info.exists() && !info.isFile() && !info.isDir();
    const QIODevice::OpenMode mode =
        stream ? QIODevice::WriteOnly : QIODevice::WriteOnly | QIODevice::Append;
    if (!file_.open(mode | QIODevice::Unbuffered)) {
        fail(file_.errorString());
        return false;
    }
    // A file of its own (or a stream, which has no size) starts with the header.
    if (file_.isSequential() || file_.size() == 0)
        lead += RecordRow::header();
    if (!lead.isEmpty() && file_.write(lead) != lead.size()) {
        fail(file_.errorString());
        file_.close();
        return false;
    }
    folderBytes_ += lead.size();
    sinceSync_.start();
    return true;
}

void RecordingWriter::closeFile()
{
    if (!file_.isOpen())
        return;
    if (unsynced_)
        sync();
    file_.close();
}

void RecordingWriter::fail(const QString &reason)
{
    sinceFailure_.start();
    if (failing_)
        return;
    failing_ = true;
    emit failed(RecordingFolder::dayFilePath(settings_.folder, day_), reason);
}

bool RecordingWriter::waitingToRetry() const
{
    return failing_ && sinceFailure_.elapsed() < settings_.retryIntervalMs;
}

void RecordingWriter::pruneFolder(const QString &keepDay)
{
    folderBytes_ =
        RecordingFolder::prune(settings_.folder, settings_.capBytes, keepDay).folderBytes;
    overCapAfterPrune_ = folderBytes_ > settings_.capBytes;
    sincePrune_.start();
}

void RecordingWriter::sync()
{
    // Puts the rows on the disk itself, so a power cut loses at most this interval; a file that
    // cannot be synced (a pipe) is simply written.
#if defined(Q_OS_LINUX)
    ::fdatasync(file_.handle());
#elif defined(Q_OS_UNIX)
    ::fsync(file_.handle());
#endif
    unsynced_ = false;
    sinceSync_.start();
}
