#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

#include "recording/RecordRow.h"

class ReadingQueue;
class QTimer;

// Writes the readings waiting in the queue to the day's file, on a thread of its own: several
// times a second it takes what waits, appends the rows (one system write a round, a new file at
// local midnight), now and then asks the system to put the file on the disk, and keeps the folder
// under its cap. When a write fails, the rows of that round are counted as lost, failed() is
// emitted once, and writing is tried again every retry interval; recovered() follows the first
// write that works again. Never anything made up: a row is written whole or counted as lost.
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

signals:
    void failed(const QString &file, const QString &reason);
    void recovered();

private:
    void writeRows(qint64 dayNumber, const Reading &first, int count);
    bool openDay(const QString &day);
    void closeFile();
    void fail(const QString &reason);
    bool waitingToRetry() const;
    void pruneFolder(const QString &keepDay);
    void sync();

    // Shared: a writer stuck on the disk may outlive the recorder that fed it.
    const std::shared_ptr<ReadingQueue> queue_;
    const Settings settings_;
    QTimer *timer_ = nullptr;
    std::vector<Reading> batch_;
    QByteArray rows_;
    QFile file_;
    QString day_;
    qint64 dayNumber_ = 0;
    qint64 folderBytes_ = 0;
    bool failing_ = false;
    bool unsynced_ = false;
    bool overCapAfterPrune_ = false;
    QElapsedTimer sinceFailure_;
    QElapsedTimer sinceSync_;
    QElapsedTimer sincePrune_;
};
