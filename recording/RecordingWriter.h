#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

#include "recording/RecordRow.h"

class QLockFile;
class QTimer;
class ReadingQueue;
class RecordingFileOps;

// Writes the readings waiting in the queue to the day's file, on a thread of its own: several
// times a second it takes what waits, appends the rows (one system write a round, a new file at
// local midnight), now and then asks the system to put the file on the disk, and keeps the folder
// under its cap. When a write fails, the rows of that round are counted as lost, failed() is
// emitted once, and writing is tried again every retry interval; recovered() follows the first
// write that works again. Rows count as kept only once the system said it put them on the disk
// when asked to. Never anything made up: a row is written whole or counted as lost.
// The file being written is locked: a second program on the same folder writes a copy file of
// its own ("YYYY-MM-DD-2.csv"). Before each round the writer makes sure the file it holds open
// still is the one the folder names: a folder removed or moved away is made again, with a new
// file, and remade() tells so.
class RecordingWriter final : public QObject
{
    Q_OBJECT

public:
    struct Settings {
        QString folder;
        qint64 capBytes = 0;
        int writeIntervalMs = 500;
        int retryIntervalMs = 2000;
        int syncIntervalMs = 10000;
        // Null: the system's calls.
        std::shared_ptr<RecordingFileOps> fileOps = nullptr;
    };

    RecordingWriter(std::shared_ptr<ReadingQueue> queue, const Settings &settings);
    ~RecordingWriter() override;

public slots:
    // Starts the rounds; called on the writer's thread.
    void resume();
    // Writes what waits and closes the file (recording turned off); resume() starts again.
    void pause();
    // Writes what waits, closes the file and ends the thread's event loop.
    void finish();
    // One round.
    void writeWaiting();
    // Closes the file and opens the day's file by its name again (after log rotation moved it),
    // without counting it as removed.
    void reopen();

signals:
    void failed(const QString &file, const QString &reason);
    void recovered();
    // The file being written was removed or moved away (with its folder): it is made again.
    void remade(const QString &file);
    // Another program holds the day's file: this one records into file instead.
    void recordingBeside(const QString &file, const QString &taken);

private:
    void writeRows(qint64 dayNumber, const Reading &first, int count);
    bool openDay(const QString &day);
    int lockFreeCopy(const QString &day);
    bool fileStillNamed() const;
    void releaseLock();
    void closeFile();
    void fail(const QString &reason);
    bool waitingToRetry() const;
    void pruneFolder(const QString &keepDay);
    bool sync();

    // Shared: a writer stuck on the disk may outlive the recorder that fed it.
    const std::shared_ptr<ReadingQueue> queue_;
    const Settings settings_;
    const std::shared_ptr<RecordingFileOps> ops_;
    QTimer *timer_ = nullptr;
    std::vector<Reading> batch_;
    QByteArray rows_;
    QFile file_;
    std::unique_ptr<QLockFile> lock_;
    QString lockPath_;
    QString day_;
    int copy_ = 1;
    quint64 unsyncedRows_ = 0;
    qint64 dayNumber_ = 0;
    qint64 folderBytes_ = 0;
    bool failing_ = false;
    bool unsynced_ = false;
    bool overCapAfterPrune_ = false;
    QElapsedTimer sinceFailure_;
    QElapsedTimer sinceSync_;
    QElapsedTimer sincePrune_;
};
