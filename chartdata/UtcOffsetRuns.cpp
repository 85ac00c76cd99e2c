#include "chartdata/UtcOffsetRuns.h"

#include <algorithm>

void UtcOffsetRuns::note(double x, int offsetSeconds)
{
    if (!runs_.empty() && (runs_.back().offsetSeconds == offsetSeconds || runs_.size() >= MaxRuns))
        return;
    runs_.push_back({x, offsetSeconds});
}

std::optional<int> UtcOffsetRuns::at(double x) const
{
    if (runs_.empty())
        return std::nullopt;
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), x,
                                        [](double v, const Run &r) { return v < r.from; });
    return after == runs_.begin() ? runs_.front().offsetSeconds : std::prev(after)->offsetSeconds;
}
