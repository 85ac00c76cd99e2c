#pragma once

#include "watch/EventPeriods.h"
#include "watch/MonitorEvent.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <variant>

class QThread;
class EventFileWriter;

// The events file beside a recording: "<folder>/<base>.csv" -> "<folder>/<base>.events.csv".
QString eventsFilePath(const QString &folder, const QString &recordingBase);

// Appends each event as a row to the events file beside the day's recording, off the GUI thread:
//   time,event,quantity,value,limit,detail
// time as in the recordings (date, time with milliseconds and UTC offset). Each row is on the
// disk (synced) before the next one is written. A failure is reported once, until a write works
// again.
class EventLog final : public QObject
{
    Q_OBJECT

public:
    // The recording's base name ("YYYY-MM-DD" or "YYYY-MM-DD-2") an event of that local date
    // belongs with.
    using BaseLookup = std::function<QString(const QDate &)>;

    // Events beyond this many waiting for the disk are lost (and reported).
    static constexpr int MaxPending = 1000;

    explicit EventLog(const QString &folder, QObject *parent = nullptr);
    // Writes what is still waiting; a disk that does not answer within a few seconds is left
    // behind.
    ~EventLog() override;

    QString folder() const { return folder_; }
    // By default the day's own name; set it to follow the recorder's current file.
    void setBaseLookup(BaseLookup lookup);

    void append(const MonitorEvent &event);
    // The base name the lookup gives for a date, or the date "YYYY-MM-DD" itself.
    QString recordingBase(const QDate &date) const;
    quint64 droppedEvents() const { return dropped_; }

signals:
    // "<file>: <reason>", once until a row is written again.
    void failed(const QString &reason);
    // Each row once it is on the disk (for tests and the curious).
    void written(const QString &file);

private:
    void onWritten(const QString &path);
    void onFailed(const QString &path, const QString &reason);

    const QString folder_;
    BaseLookup lookup_;
    QThread *thread_ = nullptr;
    EventFileWriter *writer_ = nullptr;
    const std::shared_ptr<std::atomic<int>> pending_;
    quint64 dropped_ = 0;
    bool failing_ = false;
};
