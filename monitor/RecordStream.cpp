#include "monitor/RecordStream.h"

#include "monitor/NumberReader.h"
#include "platform/runtime/Clock.h"

#include <cmath>

namespace
{

// A record line counted with its CR must have at least this many characters; shorter lines are
// the device's replies to commands ("OK", "ERROR") and are dropped.
constexpr qsizetype MinimumLineLength = 11;

// A field's number, or nothing when it is too large for a double.
std::optional<double> finiteNumber(QByteArrayView field)
{
    const double value = readNumber(field);
    return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

} // namespace

Reading StreamRecord::reading() const
{
    const double missing = std::numeric_limits<double>::quiet_NaN();
    return {arrival.toMSecsSinceEpoch(), arrival.offsetFromUtc(), elevation.value_or(missing),
            azimuth.value_or(missing)};
}

void RecordStream::append(QByteArrayView input, const RecordHandler &handle)
{
    buffer_.append(input);
    readTime_ = QDateTime();
    // What follows a line's end in the buffer all came in this read.
    while (buffer_.takeLine(line_)) {
        if (const std::optional<StreamRecord> record = readLine(line_, buffer_.size()))
            handle(*record);
    }
}

std::optional<StreamRecord> RecordStream::readLine(const QByteArray &line, qsizetype bytesAfter)
{
    if (line.size() < MinimumLineLength)
        return std::nullopt;
    fields_ = line.split(',');
    // A number beyond a double's range reads as infinite: the steps that would use it fail and
    // are skipped, as any failing step is, so no point or needle ever holds it.
    StreamRecord record;
    record.elevation = finiteNumber(fields_[0]);
    if (fields_.size() > 1)
        record.azimuth = finiteNumber(fields_[1]);
    record.arrival = arrivalTime(bytesAfter);
    return record;
}

QDateTime RecordStream::arrivalTime(qsizetype bytesAfter)
{
    // The control hands on up to a few tens of milliseconds of input at once: a record's last
    // byte arrived as long before the read as the bytes behind it took on the line.
    if (!readTime_.isValid())
        readTime_ = clock_.now();
    const qint64 readMs = readTime_.toMSecsSinceEpoch();
    qint64 ms = readMs - qRound64(double(bytesAfter) * MsPerByte);
    // Never before the record before it (unless the clock was set back since).
    if (lastArrivalMs_ <= readMs)
        ms = qMax(ms, lastArrivalMs_);
    lastArrivalMs_ = ms;
    return ms == readMs ? readTime_ : readTime_.addMSecs(ms - readMs);
}
