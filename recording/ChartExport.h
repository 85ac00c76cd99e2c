#pragma once

#include "chartdata/TraceSeries.h"

#include <QDate>
#include <QString>
#include <array>

class QIODevice;
struct JobProgress;

// Writes the chart's points as a recording: the same header and columns, one row a record. X
// is a whole second counted in days from `dayZero`, so points from before a midnight crossing
// carry the earlier date; times get ".000" and the local UTC offset of that date and time.
// Points of the two traces that share an X are paired in order, as the record that brought them;
// a point left over gets an empty field for the other trace. Thinned history (more than a day
// behind the newest point) gives one row per archived bucket.
namespace ChartExport
{

using Points = std::array<TraceSeries::Snapshot, 2>;

struct Result {
    enum class Status { Written, Cancelled, Failed };
    Status status = Status::Failed;
    // What went wrong, as the system says it.
    QString error;
    qint64 rows = 0;
};

// Writes to the device; progress counts points.
Result write(const Points &points, QDate dayZero, QIODevice &out, JobProgress &progress);
// Writes the file whole or not at all: a cancelled or failed export leaves nothing under path
// (and an existing file there as it was).
Result save(const Points &points, QDate dayZero, const QString &path, JobProgress &progress);

} // namespace ChartExport
