#pragma once

#include "chartdata/TraceSeries.h"

#include <array>
#include <cstddef>

// The strip chart's history of its two traces. Points arrive with X as a time of day (a fraction
// of a day); the store keeps an unwrapped X that carries on past midnight, so a point whose time
// of day drops by more than half a day lands one day further right. A clock that steps back by
// less than that is held at the last X until it catches up, so X never decreases. Points older
// than the keep horizon (one day behind the newest point) may be thinned; newer ones never are.
class ChartStore
{
public:
    static constexpr int TraceCount = 2;

    explicit ChartStore(double keepDays = 1.0);

    // Ignores an unknown trace and a Y that is not a number.
    void append(int trace, double timeOfDay, double y);
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
    double dayOffset_ = 0;
    double lastTimeOfDay_ = 0;
    double newest_ = 0;
    double nextThinCheck_ = 0;
    bool any_ = false;
};
