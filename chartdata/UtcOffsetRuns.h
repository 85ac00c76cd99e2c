#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// The UTC offset in force over stretches of the chart's time. A run starts only where the offset
// changes, so a day costs one or two runs however many points it holds. X is the chart's time
// (days since 1970-01-01 UTC) and is noted in non-decreasing order.
class UtcOffsetRuns
{
public:
    struct Run {
        double from;
        int offsetSeconds;
    };
    // Beyond this many changes the last offset stands for the rest, so no input grows the list
    // without bound.
    static constexpr std::size_t MaxRuns = 4096;

    void note(double x, int offsetSeconds);
    void clear() { runs_.clear(); }
    bool isEmpty() const { return runs_.empty(); }
    const std::vector<Run> &runs() const { return runs_; }
    // The offset of the run holding x (before the first run: the first run's); nothing when
    // none was noted.
    std::optional<int> at(double x) const;

private:
    std::vector<Run> runs_;
};
