#include "recording/ReadingQueue.h"

#include <QElapsedTimer>

namespace
{

qint64 monotonicMsecs()
{
    QElapsedTimer timer;
    timer.start();
    return timer.msecsSinceReference();
}

} // namespace

ReadingQueue::ReadingQueue(qsizetype capacity) : capacity_(capacity), progressMs_(monotonicMsecs())
{
    items_.reserve(std::size_t(qMin<qsizetype>(capacity, 4096)));
}

bool ReadingQueue::push(const Reading &reading)
{
    {
        QMutexLocker lock(&mutex_);
        if (qsizetype(items_.size()) < capacity_) {
            items_.push_back(reading);
            return true;
        }
    }
    ++lost_;
    return false;
}

void ReadingQueue::takeAll(std::vector<Reading> &out)
{
    out.clear();
    QMutexLocker lock(&mutex_);
    items_.swap(out);
}

qsizetype ReadingQueue::size() const
{
    QMutexLocker lock(&mutex_);
    return qsizetype(items_.size());
}

void ReadingQueue::markProgress()
{
    progressMs_ = monotonicMsecs();
}

qint64 ReadingQueue::msecsSinceProgress() const
{
    return monotonicMsecs() - progressMs_;
}
