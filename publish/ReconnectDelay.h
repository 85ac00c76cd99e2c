#pragma once

#include <algorithm>

namespace ReconnectDelay
{

// The wait before the next try after `failures` failed tries in a row: the shortest, doubled
// with each failure, at most the longest. Whole seconds.
constexpr int seconds(int failures, int shortest, int longest)
{
    int delay = std::max(shortest, 1);
    for (int i = 1; i < failures && delay < longest; ++i)
        delay *= 2;
    return std::min(delay, std::max(longest, 1));
}

} // namespace ReconnectDelay
