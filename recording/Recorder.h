#pragma once

#include "recording/ReadingQueue.h"
#include "recording/ReadingSink.h"
#include "recording/RecordingFolder.h"

#include <QObject>
#include <QString>

#include <memory>

class Prompts;
class QThread;
class QTimer;
class RecordingFileOps;
class RecordingWriter;

// Records every accepted reading to the day's file in the recordings folder. The GUI thread only
// puts readings in a bounded queue; a writer on a thread of its own empties it. When the file
// cannot be written, or the disk stops answering, the user is told once (until writing works
// again) and the display goes on; the readings in between are missing from the file.
class Recorder final : public QObject, public ReadingSink
{
    Q_OBJECT

public:
    struct Options {
        // Empty: RecordingFolder::defaultPath().
        QString folder;
        // False (--no-record): nothing is recorded this run, whatever the user's choice.
        bool enabledThisRun = true;
        qint64 capBytes = RecordingFolder::DefaultCapBytes;
        // About a quarter of an hour at the line's full rate, 1.5 MB.
        qsizetype queueCapacity = 65536;
        int writeIntervalMs = 500;
        int retryIntervalMs = 2000;
        int syncIntervalMs = 10000;
        // A writer stuck this long on the disk counts as a failure.
        int stallMs = 10000;
        // Null: the system's calls.
        std::shared_ptr<RecordingFileOps> fileOps = nullptr;
    };

    Recorder(Prompts &prompts, const Options &options, QObject *parent = nullptr);
    // Writes what is still queued; a disk that does not answer within a few seconds is left
    // behind rather than holding up the program's end.
    // Waits at most ShutdownWaitMs for the writer to finish the file.
    ~Recorder() override;
    static constexpr int ShutdownWaitMs = 3000;

    QString folder() const { return folder_; }
    bool enabledThisRun() const { return enabledThisRun_; }
    // The user's choice ("Record Readings"); recording happens when it is on and this run allows.
    void setRecordingOn(bool on);
    bool isRecording() const { return on_ && enabledThisRun_; }

    void readingAccepted(const Reading &reading) override;
    // The day's file is closed and opened again by its name (SIGHUP after log rotation).
    void reopenFile();

    // Readings handed to the system, and readings that could not be written.
    quint64 writtenReadings() const { return queue_->written(); }
    quint64 lostReadings() const { return queue_->lost(); }

    static QString failureText();
    static QString failureDetail(const QString &file, const QString &reason);
    static QString besideText(const QString &file, const QString &taken);
    static QString remadeText();
    static QString remadeDetail(const QString &file);

private:
    void onFailed(const QString &file, const QString &reason);
    void onRecovered();
    void onRecordingBeside(const QString &file, const QString &taken);
    void onRemade(const QString &file);
    void checkStall();

    Prompts &prompts_;
    const QString folder_;
    const bool enabledThisRun_;
    const int stallMs_;
    bool on_ = true;
    const std::shared_ptr<ReadingQueue> queue_;
    QThread *thread_ = nullptr;
    RecordingWriter *writer_ = nullptr;
    QTimer *stallCheck_ = nullptr;
    Reading lastReading_;
    bool told_ = false;
    bool toldBeside_ = false;
    bool stalled_ = false;
};
