#include "app/RemoteReadingOrder.h"

std::optional<qint64> RemoteReadingOrder::place(qint64 readingMs, qint64 nowMs)
{
    const qint64 ms = qMin(readingMs, nowMs);
    if (ms < lastMs_) {
        ++skipped_;
        return std::nullopt;
    }
    lastMs_ = ms;
    return ms;
}
