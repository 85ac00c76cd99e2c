#include "chartdata/ChartStore.h"

#include <algorithm>
#include <cmath>

ChartStore::ChartStore(double keepDays) : keepDays_(keepDays) {}

void ChartStore::append(int trace, double timeOfDay, double y)
{
    if (trace < 0 || trace >= TraceCount || std::isnan(y) || !std::isfinite(timeOfDay))
        return;
    if (any_ && timeOfDay < lastTimeOfDay_ - 0.5)
        dayOffset_ += 1.0;
    lastTimeOfDay_ = timeOfDay;
    const double x = any_ ? std::max(timeOfDay + dayOffset_, newest_) : timeOfDay + dayOffset_;
    any_ = true;
    newest_ = x;
    traces_[static_cast<std::size_t>(trace)].append(x, y);

    // Thinning looks at whole chunks only, so checking once a minute of data time is plenty.
    if (x >= nextThinCheck_) {
        nextThinCheck_ = x + 1.0 / 1440.0;
        for (TraceSeries &t : traces_)
            t.thinBefore(x - keepDays_);
    }
}

void ChartStore::clear()
{
    for (TraceSeries &t : traces_)
        t.clear();
    dayOffset_ = 0;
    lastTimeOfDay_ = 0;
    newest_ = 0;
    nextThinCheck_ = 0;
    any_ = false;
}

bool ChartStore::isEmpty() const
{
    return !any_;
}

double ChartStore::valueAt(int trace, double x) const
{
    if (trace < 0 || trace >= TraceCount)
        return 0.0;
    return traces_[static_cast<std::size_t>(trace)].valueAt(x);
}

std::size_t ChartStore::memoryBytes() const
{
    std::size_t total = 0;
    for (const TraceSeries &t : traces_)
        total += t.memoryBytes();
    return total;
}

void ChartStore::swap(ChartStore &other) noexcept
{
    for (std::size_t i = 0; i < traces_.size(); ++i)
        traces_[i].swap(other.traces_[i]);
    std::swap(keepDays_, other.keepDays_);
    std::swap(dayOffset_, other.dayOffset_);
    std::swap(lastTimeOfDay_, other.lastTimeOfDay_);
    std::swap(newest_, other.newest_);
    std::swap(nextThinCheck_, other.nextThinCheck_);
    std::swap(any_, other.any_);
}

std::array<TraceSeries::Snapshot, ChartStore::TraceCount> ChartStore::snapshot() const
{
    return {traces_[0].snapshot(), traces_[1].snapshot()};
}
