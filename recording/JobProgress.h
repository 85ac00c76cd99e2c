#pragma once

#include <atomic>
#include <cstdint>

// Shared between a job on a worker thread and the window that shows its progress: the worker
// advances `done` towards `total` and looks at `cancelled` often; the window reads the one and
// sets the other.
struct JobProgress {
    std::atomic<std::int64_t> done{0};
    std::atomic<std::int64_t> total{0};
    std::atomic<bool> cancelled{false};

    bool isCancelled() const { return cancelled.load(std::memory_order_relaxed); }
};
