#pragma once

#include "monitor/ReceiveBuffer.h"
#include "recording/Reading.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

#include <functional>
#include <limits>
#include <optional>

class Clock;

// One record line as the reading rule took it: the values it gave (none where a field is missing
// or too large for a double) and when its last byte arrived.
struct StreamRecord {
    std::optional<double> elevation;
    std::optional<double> azimuth;
    QDateTime arrival;

    // As recorded and published: a missing or unusable value is NaN.
    Reading reading() const;
};

// The device's stream of text records turned into records, the one reading rule both programs
// share: input collects until CR LF; a line shorter than a record (the device's replies to
// commands, "OK", "ERROR") is dropped; the fields are read as numbers; each record is timed by
// its last byte. It holds no display and no port.
class RecordStream
{
public:
    using RecordHandler = std::function<void(const StreamRecord &)>;

    explicit RecordStream(const Clock &clock) : clock_(clock) {}

    // The bytes of one read. Every complete line waiting is handled now, in order: handling one
    // line per read would let a backlog build whenever a read brings two lines, and never drain
    // under a steady stream.
    void append(QByteArrayView input, const RecordHandler &handle);

    // The port was lost and opened again: a line cut by the loss is dropped, so it is not
    // joined to the first line after it.
    void dropPartialLine() { buffer_ = ReceiveBuffer(buffer_.capacity()); }

    const ReceiveBuffer &buffer() const { return buffer_; }

    // The line's pace at 9600 baud, 10 bits a character (start, 8 data, stop).
    static constexpr double MsPerByte = 10.0 * 1000.0 / 9600.0;

private:
    std::optional<StreamRecord> readLine(const QByteArray &line, qsizetype bytesAfter);
    // When the last byte of a record arrived that had bytesAfter bytes behind it in this read.
    QDateTime arrivalTime(qsizetype bytesAfter);

    const Clock &clock_;
    ReceiveBuffer buffer_;
    QList<QByteArray> fields_;
    QByteArray line_;
    QDateTime readTime_; // the clock at this read, taken when a record first needs it
    qint64 lastArrivalMs_ = std::numeric_limits<qint64>::min();
};
