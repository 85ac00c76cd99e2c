#include "recording/RecordingReader.h"

#include "chartdata/ChartStore.h"
#include "recording/JobProgress.h"

#include <QFile>
#include <QFileInfo>

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

namespace RecordingReader
{

double chartTimeOfDay(const Reading &reading)
{
    return double(RecordRow::localSecondOfDay(reading)) / 86400.0;
}

QDate localDate(const Reading &reading)
{
    return QDate::fromJulianDay(RecordRow::localDayNumber(reading) + JulianDayOf1970);
}

RecordingLoad load(const QString &path, ChartStore &store, JobProgress &progress)
{
    RecordingLoad result;
    if (QFileInfo(path).isDir()) {
        result.reason = QStringLiteral("It is a folder, not a file.");
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.reason = QStringLiteral("It cannot be read: %1.").arg(file.errorString());
        return result;
    }
    progress.total = file.size();

    RecordingParser parser([&](const Reading &reading) {
        if (store.isEmpty())
            result.dayZero = localDate(reading);
        const double x = chartTimeOfDay(reading);
        // The store passes over NaN: an empty field plots nothing, as on the live line.
        store.append(0, x, reading.elevation);
        store.append(1, x, reading.azimuth);
    });
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

    result.readings = parser.readings();
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
