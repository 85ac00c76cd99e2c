#pragma once

#include "recording/RecordRow.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <functional>

class ChartStore;
struct JobProgress;

// Reads a recording (or an exported chart) piece by piece, in any split of its bytes. The first
// line must be the header row; after it, each row that parses is handed on, a row that does not
// is counted as bad, blank lines, repeated header rows (files joined end to end) and rows whose
// two values are both empty (no reading) are passed over. A last line without a line end was torn
// by a crash: it is skipped and not counted as bad. Lines are never held beyond MaxLine bytes, so
// any input is read in bounded memory.
class RecordingParser
{
public:
    static constexpr qsizetype MaxLine = 256;

    enum class State { AwaitingHeader, Reading, NotRecording };

    explicit RecordingParser(std::function<void(const Reading &)> onReading);

    void feed(QByteArrayView bytes);
    // The end of the input: a pending partial line is the torn one.
    void finish();

    State state() const { return state_; }
    // Why the input is not a recording (when state() is NotRecording).
    QString refusal() const { return refusal_; }
    qint64 readings() const { return readings_; }
    qint64 badRows() const { return badRows_; }
    bool tornLastLine() const { return torn_; }

private:
    void line(QByteArrayView text);
    void refuse(const QString &reason);

    std::function<void(const Reading &)> onReading_;
    State state_ = State::AwaitingHeader;
    QString refusal_;
    QByteArray partial_;
    bool overlong_ = false; // the partial line passed MaxLine: it ends as a bad row
    qint64 readings_ = 0;
    qint64 badRows_ = 0;
    bool torn_ = false;
    bool sawAnyByte_ = false;
    QByteArray opening_; // the first bytes, to tell binary data from text
};

// Loads a recording file into a chart store as the live display would have plotted it: each row
// at its own instant (its date, time and UTC offset) in whole seconds, with its offset kept, so
// several days follow one another and a daylight-saving change shows its hour as it happened.
// A row earlier than the one before it is skipped and counted: the chart's time only goes on.
struct RecordingLoad {
    enum class Status { Loaded, Cancelled, Refused };
    Status status = Status::Refused;
    // For a refused file: why, in a sentence that names no file (the caller names it).
    QString reason;
    qint64 readings = 0;
    qint64 badRows = 0;
    bool tornLastLine = false;
    // Rows skipped for going back in time.
    qint64 outOfOrder = 0;
    // The earliest and latest local dates (each reading's at its own offset) placed.
    QDate firstDate;
    QDate lastDate;
};

// Places readings in a chart store, each at its own instant in whole seconds with its offset
// noted; a reading earlier than the one placed before it is skipped (the chart's time only goes
// on).
class ReadingPlacer
{
public:
    explicit ReadingPlacer(ChartStore &store) : store_(store) {}

    // False when the reading was skipped for going back in time.
    bool place(const Reading &reading);
    qint64 skipped() const { return skipped_; }
    bool placedAny() const { return placed_; }
    QDate firstDate() const { return firstDate_; }
    QDate lastDate() const { return lastDate_; }

private:
    ChartStore &store_;
    bool placed_ = false;
    qint64 latest_ = 0;
    qint64 skipped_ = 0;
    QDate firstDate_;
    QDate lastDate_;
};

namespace RecordingReader
{

// Reads the file into `store`, which should be empty; progress counts bytes. A file with no
// readings at all, and anything that is not a file (a pipe, a device), is refused.
RecordingLoad load(const QString &path, ChartStore &store, JobProgress &progress);

// The chart's X of a reading: its instant in whole seconds.
double chartX(const Reading &reading);
// The local date of a reading.
QDate localDate(const Reading &reading);

} // namespace RecordingReader
