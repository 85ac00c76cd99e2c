#include "recording/RecordingWriter.h"

#include "recording/ReadingQueue.h"
#include "recording/RecordingFileOps.h"
#include "recording/RecordingFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <csignal>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

// A folder over its cap because of today's file alone is looked at again only after this long.
constexpr qint64 PruneAgainMs = 60'000;

// Copy files tried beside the day's file before giving up on a lock.
constexpr int MaxCopies = 99;

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
    : queue_(std::move(queue)), settings_(settings),
      ops_(settings.fileOps ? settings.fileOps : std::make_shared<RecordingFileOps>())
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

void RecordingWriter::reopen()
{
    closeFile();
    if (timer_ && timer_->isActive())
        writeWaiting();
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
    if (unsynced_ && sinceSync_.isValid() && sinceSync_.elapsed() >= settings_.syncIntervalMs &&
        !sync())
        closeFile();
    queue_->markProgress();
}

void RecordingWriter::writeRows(qint64 dayNumber, const Reading &first, int count)
{
    if (waitingToRetry()) {
        queue_->addLost(quint64(count));
        return;
    }
    if (file_.isOpen() && !fileStillNamed()) {
        const QString gone = RecordingFolder::dayFilePath(settings_.folder, day_, copy_);
        // Made again at once, so that the lock that went with it is let go quietly.
        QDir().mkpath(settings_.folder);
        closeFile();
        emit remade(gone);
    }
    if (!file_.isOpen() || dayNumber != dayNumber_) {
        dayNumber_ = dayNumber;
        if (!openDay(QString::fromLatin1(RecordRow::localDate(first)))) {
            queue_->addLost(quint64(count));
            return;
        }
    }
    const RecordingFileOps::Written written = ops_->write(file_.handle(), rows_);
    if (written.bytes == rows_.size()) {
        queue_->addWritten(quint64(count));
        unsyncedRows_ += quint64(count);
        folderBytes_ += written.bytes;
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
    const quint64 whole = written.bytes > 0 ? quint64(rows_.first(written.bytes).count('\n')) : 0;
    queue_->addWritten(whole);
    unsyncedRows_ += whole;
    queue_->addLost(quint64(count) - whole);
    fail(RecordingFileOps::reason(written.error));
    closeFile();
}

bool RecordingWriter::openDay(const QString &day)
{
    const bool newDay = day != day_;
    closeFile();
    day_ = day;
    copy_ = 1;
    if (!QDir().mkpath(settings_.folder)) {
        fail(QStringLiteral("the folder cannot be made"));
        return false;
    }
    if (newDay || !sincePrune_.isValid())
        pruneFolder(day);
    copy_ = lockFreeCopy(day);
    const QString path = RecordingFolder::dayFilePath(settings_.folder, day, copy_);
    if (copy_ > 1)
        emit recordingBeside(path, RecordingFolder::dayFilePath(settings_.folder, day));
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
        releaseLock();
        return false;
    }
    // A file of its own (or a stream, which has no size) starts with the header.
    if (file_.isSequential() || file_.size() == 0)
        lead += RecordRow::header();
    if (!lead.isEmpty()) {
        const RecordingFileOps::Written written = ops_->write(file_.handle(), lead);
        if (written.bytes != lead.size()) {
            fail(RecordingFileOps::reason(written.error));
            closeFile();
            return false;
        }
    }
    folderBytes_ += lead.size();
    sinceSync_.start();
    return true;
}

int RecordingWriter::lockFreeCopy(const QString &day)
{
    for (int copy = 1; copy <= MaxCopies; ++copy) {
        const QString lockPath =
            RecordingFolder::dayFilePath(settings_.folder, day, copy) + QStringLiteral(".lock");
        auto lock = std::make_unique<QLockFile>(lockPath);
        // Only a lock whose program is gone is stale: a live program's lock is never taken
        // over, however old.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            lock_ = std::move(lock);
            lockPath_ = lockPath;
            return copy;
        }
        // A folder where no lock can be made: the file's own opening says why, if it fails.
        if (lock->error() != QLockFile::LockFailedError)
            return copy;
    }
    return 1;
}

void RecordingWriter::releaseLock()
{
    if (!lock_)
        return;
    // A lock file removed meanwhile (with its folder) gets an empty stand-in to remove.
    QFile standIn(lockPath_);
    if (!standIn.exists())
        standIn.open(QIODevice::WriteOnly);
    lock_.reset();
}

bool RecordingWriter::fileStillNamed() const
{
#ifdef Q_OS_UNIX
    struct stat open = {};
    if (::fstat(file_.handle(), &open) != 0 || !S_ISREG(open.st_mode))
        return true; // a pipe or a device stays what it is
    if (open.st_nlink == 0)
        return false;
    struct stat named = {};
    if (::stat(QFile::encodeName(file_.fileName()).constData(), &named) != 0)
        return false;
    return named.st_dev == open.st_dev && named.st_ino == open.st_ino;
#else
    return QFileInfo::exists(file_.fileName());
#endif
}

void RecordingWriter::closeFile()
{
    if (file_.isOpen()) {
        if (unsynced_)
            sync();
        file_.close();
    }
    releaseLock();
}

void RecordingWriter::fail(const QString &reason)
{
    sinceFailure_.start();
    if (failing_)
        return;
    failing_ = true;
    emit failed(RecordingFolder::dayFilePath(settings_.folder, day_, copy_), reason);
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

bool RecordingWriter::sync()
{
    // Puts the rows on the disk itself, so a power cut loses at most this interval.
    const int error = ops_->sync(file_.handle());
    unsynced_ = false;
    sinceSync_.start();
    if (error == 0) {
        unsyncedRows_ = 0;
        return true;
    }
    // The system may have dropped what it had taken: those rows are not kept.
    queue_->unkeep(unsyncedRows_);
    unsyncedRows_ = 0;
    fail(RecordingFileOps::reason(error));
    return false;
}
