#include "recording/RecordingReader.h"

#include "chartdata/ChartStore.h"
#include "chartdata/ChartTime.h"
#include "recording/JobProgress.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace
{

constexpr qint64 JulianDayOf1970 = 2440588;
constexpr qsizetype ReadBlock = 4 << 20;
constexpr qsizetype OpeningBytes = 512;

bool looksBinary(QByteArrayView text)
{
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0 || (u < 0x20 && c != '\t' && c != '\r' && c != '\n'))
            return true;
    }
    return false;
}

} // namespace

RecordingParser::RecordingParser(std::function<void(const Reading &)> onReading)
    : onReading_(std::move(onReading))
{
}

void RecordingParser::feed(QByteArrayView bytes)
{
    if (!bytes.isEmpty())
        sawAnyByte_ = true;
    if (state_ == State::AwaitingHeader && opening_.size() < OpeningBytes)
        opening_.append(bytes.first(std::min(bytes.size(), OpeningBytes - opening_.size())));
    while (!bytes.isEmpty() && state_ != State::NotRecording) {
        const qsizetype end = bytes.indexOf('\n');
        if (end < 0) {
            // No line end yet: keep the piece, but never more than a line may hold.
            if (!overlong_ && partial_.size() + bytes.size() > MaxLine) {
                overlong_ = true;
                partial_.clear();
            }
            if (!overlong_)
                partial_.append(bytes);
            return;
        }
        const QByteArrayView piece = bytes.first(end);
        bytes = bytes.sliced(end + 1);
        if (overlong_ || partial_.size() + piece.size() > MaxLine) {
            overlong_ = false;
            partial_.clear();
            // Too long for a row: a bad row, or no recording at all when it is the first line.
            line(QByteArrayView(QByteArray(MaxLine + 1, 'x')));
        } else if (!partial_.isEmpty()) {
            partial_.append(piece);
            line(partial_);
            partial_.clear();
        } else {
            line(piece);
        }
    }
}

void RecordingParser::finish()
{
    if (state_ == State::AwaitingHeader) {
        if (!sawAnyByte_) {
            refuse(QStringLiteral("The file is empty."));
        } else if (!overlong_ && RecordRow::isHeader(partial_)) {
            state_ = State::Reading; // a header without a line end and nothing after it
        } else {
            line(overlong_ ? QByteArrayView(QByteArray(MaxLine + 1, 'x'))
                           : QByteArrayView(partial_));
        }
    } else if (state_ == State::Reading && (overlong_ || !partial_.isEmpty())) {
        torn_ = true;
    }
    partial_.clear();
    overlong_ = false;
}

void RecordingParser::line(QByteArrayView text)
{
    if (state_ == State::AwaitingHeader) {
        if (text.startsWith("\xEF\xBB\xBF")) // a byte order mark, as some editors save
            text = text.sliced(3);
        if (RecordRow::isHeader(text)) {
            state_ = State::Reading;
        } else if (looksBinary(opening_)) {
            refuse(QStringLiteral("It holds binary data, not the text of a recording."));
        } else {
            refuse(QStringLiteral("It does not begin with the header row "
                                  "\"time,elevation,azimuth\" of a recording."));
        }
        return;
    }
    if (text.isEmpty() || text == "\r" || RecordRow::isHeader(text))
        return;
    if (text.size() <= MaxLine) {
        if (const auto reading = RecordRow::parse(text)) {
            // Both values empty: a record the device sent unreadable, no reading.
            if (std::isnan(reading->elevation) && std::isnan(reading->azimuth))
                return;
            ++readings_;
            onReading_(*reading);
            return;
        }
    }
    ++badRows_;
}

void RecordingParser::refuse(const QString &reason)
{
    state_ = State::NotRecording;
    refusal_ = reason;
}

bool ReadingPlacer::place(const Reading &reading)
{
    if (placed_ && reading.msecsSinceEpoch < latest_) {
        ++skipped_;
        return false;
    }
    const QDate date = RecordingReader::localDate(reading);
    if (!placed_ || date < firstDate_)
        firstDate_ = date;
    if (!placed_ || date > lastDate_)
        lastDate_ = date;
    placed_ = true;
    latest_ = reading.msecsSinceEpoch;
    const double x = RecordingReader::chartX(reading);
    store_.noteOffset(x, reading.utcOffsetSeconds);
    // The store passes over NaN: an empty field plots nothing, as on the live line.
    store_.append(0, x, reading.elevation);
    store_.append(1, x, reading.azimuth);
    return true;
}

namespace RecordingReader
{

double chartX(const Reading &reading)
{
    // Whole seconds, as the live chart has them: points of one second share one run.
    const qint64 ms = reading.msecsSinceEpoch;
    return ChartTime::fromMsecs(ms - (ms % 1000 + 1000) % 1000);
}

QDate localDate(const Reading &reading)
{
    return QDate::fromJulianDay(RecordRow::localDayNumber(reading) + JulianDayOf1970);
}

RecordingLoad load(const QString &path, ChartStore &store, JobProgress &progress)
{
    RecordingLoad result;
    const QFileInfo info(path);
    if (info.isDir()) {
        result.reason = QStringLiteral("It is a folder, not a file.");
        return result;
    }
    // A pipe or a device could keep the reading waiting for ever.
    if (info.exists() && !info.isFile()) {
        result.reason = QStringLiteral("It is not a file but a pipe, a device or a socket.");
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.reason = QStringLiteral("It cannot be read: %1.").arg(file.errorString());
        return result;
    }
    progress.total = file.size();

    ReadingPlacer placer(store);
    RecordingParser parser([&](const Reading &reading) { placer.place(reading); });
    QByteArray buffer(ReadBlock, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(buffer.data(), buffer.size());
        if (got < 0) {
            result.reason = QStringLiteral("It cannot be read: %1.").arg(file.errorString());
            return result;
        }
        if (got == 0)
            break;
        parser.feed(QByteArrayView(buffer.constData(), got));
        progress.done += got;
        if (progress.isCancelled()) {
            result.status = RecordingLoad::Status::Cancelled;
            return result;
        }
        if (parser.state() == RecordingParser::State::NotRecording)
            break;
    }
    parser.finish();

    result.outOfOrder = placer.skipped();
    result.readings = parser.readings() - result.outOfOrder;
    result.firstDate = placer.firstDate();
    result.lastDate = placer.lastDate();
    result.badRows = parser.badRows();
    result.tornLastLine = parser.tornLastLine();
    if (parser.state() == RecordingParser::State::NotRecording) {
        result.reason = parser.refusal();
    } else if (parser.readings() == 0) {
        result.reason = parser.badRows() > 0
                            ? QStringLiteral("None of its %1 rows is a reading that can be read.")
                                  .arg(parser.badRows())
                            : QStringLiteral("It holds no readings.");
    } else {
        result.status = RecordingLoad::Status::Loaded;
    }
    return result;
}

} // namespace RecordingReader
