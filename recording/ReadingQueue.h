#pragma once

#include "recording/RecordRow.h"

#include <QMutex>

#include <atomic>
#include <vector>

// The hand-over from the GUI thread to the recording writer: a bounded list of readings behind a
// mutex, and the counts both sides read. When the writer falls behind (a disk that stopped
// answering) the list stays at its capacity and what does not fit is counted as lost.
class ReadingQueue
{
public:
    explicit ReadingQueue(qsizetype capacity);

    // False when full: the reading is counted as lost.
    bool push(const Reading &reading);
    // Moves everything waiting into out (whose old contents are dropped); keeps both buffers'
    // storage so a steady stream allocates nothing.
    void takeAll(std::vector<Reading> &out);
    qsizetype size() const;

    void addWritten(quint64 count) { written_ += count; }
    void addLost(quint64 count) { lost_ += count; }
    // Written readings the system then failed to keep (a failing sync): counted as lost.
    void unkeep(quint64 count)
    {
        written_ -= count;
        lost_ += count;
    }
    // Readings handed to the system so far, and readings that never reached the file.
    quint64 written() const { return written_; }
    quint64 lost() const { return lost_; }

    // The writer finished a round (whether or not the disk took the rows): it is not stuck.
    void markProgress();
    qint64 msecsSinceProgress() const;

private:
    mutable QMutex mutex_;
    std::vector<Reading> items_;
    const qsizetype capacity_;
    std::atomic<quint64> written_{0};
    std::atomic<quint64> lost_{0};
    std::atomic<qint64> progressMs_;
};
