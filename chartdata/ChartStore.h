#pragma once

#include "chartdata/TraceSeries.h"
#include "chartdata/UtcOffsetRuns.h"

#include <array>
#include <cstddef>

// The strip chart's history of its two traces. X is real time (see ChartTime): days since 1970
// UTC. A point that steps back is held at the newest X until the time catches up, so X never
// decreases. Points older than the keep horizon (one day behind the newest point) may be thinned;
// newer ones never are. Beside the points, the UTC offset of each stretch of them is kept, so
// they can be labelled and written with the local time they had.
class ChartStore
{
public:
    static constexpr int TraceCount = 2;

    explicit ChartStore(double keepDays = 1.0);

    // Ignores an unknown trace and a Y that is not a number.
    void append(int trace, double x, double y);
    // The UTC offset in force from x on (x in time order with the points).
    void noteOffset(double x, int offsetSeconds) { offsets_.note(x, offsetSeconds); }
    const UtcOffsetRuns &offsets() const { return offsets_; }
    void clear();

    bool isEmpty() const;
    const TraceSeries &trace(int trace) const { return traces_[static_cast<std::size_t>(trace)]; }
    // Unwrapped X of the newest point over both traces; 0 when empty.
    double newestX() const { return newest_; }
    // That trace's Y at x (see TraceSeries::valueAt); 0 for an unknown trace.
    double valueAt(int trace, double x) const;

    std::size_t memoryBytes() const;

    // Exchanges everything held with other's (a store built elsewhere takes this one's place).
    void swap(ChartStore &other) noexcept;
    // Both traces' points as they are now, for reading on another thread.
    std::array<TraceSeries::Snapshot, TraceCount> snapshot() const;

private:
    std::array<TraceSeries, TraceCount> traces_;
    double keepDays_;
    UtcOffsetRuns offsets_;
    double newest_ = 0;
    double nextThinCheck_ = 0;
    bool any_ = false;
};
