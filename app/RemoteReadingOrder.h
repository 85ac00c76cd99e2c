#pragma once

#include <QtGlobal>

#include <limits>
#include <optional>

// Where a remote mast's readings go on the chart, in time. The chart places a time of day at or
// before now: a reading from a publisher whose clock runs ahead of this one is shown now, not on
// the day before. A reading older than the one shown before it (one sent again after a broker
// restart) is not shown again but counted.
class RemoteReadingOrder
{
public:
    // The moment to show the reading at (ms since the epoch), or nothing when it is skipped.
    std::optional<qint64> place(qint64 readingMs, qint64 nowMs);

    quint64 skipped() const { return skipped_; }

private:
    qint64 lastMs_ = std::numeric_limits<qint64>::min();
    quint64 skipped_ = 0;
};
