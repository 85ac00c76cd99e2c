#include "recording/ChartExport.h"

#include "chartdata/ChartTime.h"
#include "recording/JobProgress.h"
#include "recording/RecordRow.h"

#include <QDateTime>
#include <QSaveFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

namespace
{

// Written 64 KiB at a time: a day's export writes as fast as with bigger pieces, and a short one
// does not map and hand back a megabyte.
constexpr qsizetype FlushBytes = 1 << 16;
constexpr qint64 RowsBetweenChecks = 65536;

// Reads one trace's points group by group, handing out those at a given X in order.
class PointWalker
{
public:
    explicit PointWalker(const TraceSeries::Snapshot &points) : points_(points) {}

    // X of the next point; infinity when none is left.
    double nextX()
    {
        while (group_ < points_.groupCount() && point_ >= points_.groupSize(group_)) {
            ++group_;
            point_ = 0;
        }
        return group_ < points_.groupCount() ? points_.groupX(group_)
                                             : std::numeric_limits<double>::infinity();
    }
    // The next point's Y when it lies at x.
    bool take(double x, double &y)
    {
        if (nextX() != x)
            return false;
        y = points_.y(group_, point_++);
        return true;
    }

private:
    const TraceSeries::Snapshot &points_;
    std::size_t group_ = 0;
    std::uint64_t point_ = 0;
};

// The offset of each row's second: the noted one, else the system's, looked up once a minute.
class RowOffsets
{
public:
    explicit RowOffsets(const UtcOffsetRuns &noted) : noted_(noted) {}

    int at(qint64 second)
    {
        const std::vector<UtcOffsetRuns::Run> &runs = noted_.runs();
        if (!runs.empty()) {
            // Seconds come in order: the run only ever moves on.
            const double x = ChartTime::fromMsecs(second * 1000);
            while (run_ + 1 < runs.size() && runs[run_ + 1].from <= x)
                ++run_;
            return runs[run_].offsetSeconds;
        }
        if (second / 60 != minute_) {
            minute_ = second / 60;
            offset_ = ChartTime::localOffsetAt(ChartTime::fromMsecs(second * 1000));
        }
        return offset_;
    }

private:
    const UtcOffsetRuns &noted_;
    std::size_t run_ = 0;
    qint64 minute_ = std::numeric_limits<qint64>::min();
    int offset_ = 0;
};

// The shortest text that reads back to the same double, as RecordRow writes values; nothing for
// a value that is not finite.
char *appendValue(char *p, double value)
{
    if (!std::isfinite(value))
        return p;
    return std::to_chars(p, p + 32, value).ptr;
}

} // namespace

namespace ChartExport
{

Result write(const Points &points, const UtcOffsetRuns &noted, QIODevice &out,
             JobProgress &progress)
{
    Result result;
    progress.total = qint64(points[0].pointCount() + points[1].pointCount());
    PointWalker walkers[2] = {PointWalker(points[0]), PointWalker(points[1])};
    RowOffsets offsets(noted);

    // Rows are built in a plain buffer: at 6.4 million rows a day, the per-row cost is what
    // counts. The time field is made once per second and copied to each row of it. The buffer
    // is not cleared first: only what was written into it is ever read.
    const auto buffer = std::make_unique_for_overwrite<char[]>(FlushBytes + 256);
    char *p = buffer.get();
    char *const flushAt = buffer.get() + FlushBytes;
    const auto flush = [&] {
        const qint64 size = p - buffer.get();
        if (out.write(buffer.get(), size) != size) {
            result.error = out.errorString();
            return false;
        }
        p = buffer.get();
        return true;
    };
    const QByteArray header = RecordRow::header();
    p = std::copy(header.begin(), header.end(), p);

    QByteArray timeField;
    qint64 sinceCheck = 0;
    qint64 pointsDone = 0;
    for (;;) {
        const double x = std::min(walkers[0].nextX(), walkers[1].nextX());
        if (!std::isfinite(x))
            break;
        // X holds whole seconds.
        const qint64 second = std::llround(x * 86400.0);
        Reading moment;
        moment.utcOffsetSeconds = offsets.at(second);
        moment.msecsSinceEpoch = second * 1000;
        moment.elevation = moment.azimuth = std::numeric_limits<double>::quiet_NaN();
        timeField.clear();
        RecordRow::append(timeField, moment); // "time,,\r\n": the time and the first comma
        timeField.chop(3);
        for (;;) {
            double elevation = 0;
            double azimuth = 0;
            const bool hasElevation = walkers[0].take(x, elevation);
            const bool hasAzimuth = walkers[1].take(x, azimuth);
            if (!hasElevation && !hasAzimuth)
                break;
            p = std::copy(timeField.begin(), timeField.end(), p);
            if (hasElevation)
                p = appendValue(p, elevation);
            *p++ = ',';
            if (hasAzimuth)
                p = appendValue(p, azimuth);
            *p++ = '\r';
            *p++ = '\n';
            ++result.rows;
            pointsDone += int(hasElevation) + int(hasAzimuth);
            if (p >= flushAt && !flush())
                return result;
            if (++sinceCheck == RowsBetweenChecks) {
                sinceCheck = 0;
                progress.done = pointsDone;
                if (progress.isCancelled()) {
                    result.status = Result::Status::Cancelled;
                    return result;
                }
            }
        }
    }
    if (!flush())
        return result;
    progress.done = pointsDone;
    result.status = Result::Status::Written;
    return result;
}

Result save(const Points &points, const UtcOffsetRuns &offsets, const QString &path,
            JobProgress &progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Result failed;
        failed.error = file.errorString();
        return failed;
    }
    Result result = write(points, offsets, file, progress);
    if (result.status != Result::Status::Written) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.status = Result::Status::Failed;
        result.error = file.errorString();
    }
    return result;
}

} // namespace ChartExport
