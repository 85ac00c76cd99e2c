#include "monitor/LiveMonitor.h"

#include "device/DeviceProtocol.h"
#include "monitor/NumberReader.h"
#include "monitor/PortList.h"
#include "monitor/ReadoutFormat.h"
#include "platform/display/Gauge.h"
#include "platform/display/StripChart.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "platform/serial/SerialControl.h"
#include "recording/ReadingSink.h"

#include <cmath>
#include <limits>
#include <optional>

namespace
{

// A record line counted with its CR must have at least this many characters; shorter lines are
// the device's replies to commands ("OK", "ERROR") and are dropped.
constexpr qsizetype MinimumLineLength = 11;

// The line's pace at 9600 baud, 10 bits a character (start, 8 data, stop).
constexpr double MsPerByte = 10.0 * 1000.0 / 9600.0;

// Readout caption colours, 0x00BBGGRR: light red and light blue.
constexpr std::uint32_t LightRed = 0x000000FF;
constexpr std::uint32_t LightBlue = 0x00FF0000;

// A field's number, or nothing when it is too large for a double.
std::optional<double> finiteNumber(QByteArrayView field)
{
    const double value = readNumber(field);
    return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

} // namespace

LiveMonitor::LiveMonitor(const Parts &parts, QObject *parent)
    : QObject(parent), port_(parts.port), chart_(parts.chart), elevation_(parts.elevation),
      azimuth_(parts.azimuth), ports_(parts.ports), clock_(parts.clock), prompts_(parts.prompts)
{
    connect(&port_, &SerialControl::OnComm, this, &LiveMonitor::MSComm1OnComm);
    connect(&port_, &SerialControl::deviceLost, this, &LiveMonitor::onDeviceLost);
}

void LiveMonitor::mnuComClick(int index)
{
    for (int i = 0; i < PortList::Count; ++i)
        ports_.setChecked(i, false);
    ports_.setChecked(index, true);
}

QString LiveMonitor::OpenPort()
{
    QString result = DeviceProtocol::Ok;
    if (port_.PortOpen())
        return result;
    ResetChart();
    for (int i = 0; i < PortList::Count; ++i) {
        if (ports_.isChecked(i))
            port_.setCommPort(short(i + 1));
    }
    port_.setPortOpen(true);
    if (!port_.PortOpen())
        result = DeviceProtocol::Error;
    return result;
}

void LiveMonitor::ResetChart()
{
    chart_.ClearChart();
    chart_.setChartMode(2);
    chart_.setTimeScale(1.0 / 1440.0);
}

void LiveMonitor::reportCannotOpen()
{
    prompts_.message(CannotOpen + QString::number(port_.CommPort()), port_.lastError());
}

void LiveMonitor::mnuStartClick()
{
    port_.setRThreshold(1);
    if (OpenPort() != DeviceProtocol::Ok) {
        reportCannotOpen();
        return;
    }
    port_.setOutput(DeviceProtocol::toWire(DeviceProtocol::Start) + DeviceProtocol::LineEnd);
}

void LiveMonitor::mnuStopClick()
{
    if (!port_.PortOpen()) {
        // Opened directly on the port of the last opening: the chart stays as it is.
        port_.setPortOpen(true);
        if (!port_.PortOpen()) {
            reportCannotOpen();
            return;
        }
    }
    port_.setOutput(DeviceProtocol::toWire(DeviceProtocol::Stop) + DeviceProtocol::LineEnd);
    port_.setPortOpen(false); // the control sends what was written before it closes
}

void LiveMonitor::MSComm1OnComm()
{
    if (port_.CommEvent() != SerialControl::Receive)
        return;
    buffer_.append(port_.Input());
    readTime_ = QDateTime();
    // Every complete line waiting is handled now, in order: handling one line per event would
    // let a backlog build whenever a read brings two lines, and never drain under a steady
    // stream. What follows a line's end in the buffer all came in this read.
    while (buffer_.takeLine(line_))
        handleLine(line_, buffer_.size());
}

QDateTime LiveMonitor::arrivalTime(qsizetype bytesAfter)
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

void LiveMonitor::handleLine(const QByteArray &line, qsizetype bytesAfter)
{
    if (line.size() < MinimumLineLength)
        return;
    fields_ = line.split(',');
    // A number beyond a double's range reads as infinite: the steps that would use it fail and
    // are skipped, as any failing step is, so no point or needle ever holds it.
    const std::optional<double> elevation = finiteNumber(fields_[0]);
    const std::optional<double> azimuth =
        fields_.size() > 1 ? finiteNumber(fields_[1]) : std::nullopt;
    // One time for the point and the recorded row, so a recording reloaded later puts its
    // points at the same chart times.
    const QDateTime now = arrivalTime(bytesAfter);
    const QTime time = now.time();
    const double pointTime =
        double(time.hour() * 3600 + time.minute() * 60 + time.second()) / 86400.0;
    if (elevation)
        chart_.AddPoint(0, pointTime, *elevation);
    if (azimuth)
        chart_.AddPoint(1, pointTime, *azimuth);
    if (elevation)
        elevation_.setNeedleValue(*elevation);
    azimuth_.setGaugeMode(1);
    if (azimuth)
        azimuth_.setNeedleValue(*azimuth);
    if (sink_) {
        // A missing or unusable value is recorded as NaN (an empty field).
        const double missing = std::numeric_limits<double>::quiet_NaN();
        sink_->readingAccepted({now.toMSecsSinceEpoch(), now.offsetFromUtc(),
                                elevation.value_or(missing), azimuth.value_or(missing)});
    }
}

void LiveMonitor::Strip1CursorEvent()
{
    chart_.setCurrentTrace(0);
    chart_.setTraceCaptionColor(LightRed);
    const double elevation = chart_.ValueAtCursor(0);
    chart_.setCaption(QStringLiteral("Elevation at Cursor =") + formatOneDecimal(elevation));
    chart_.setCurrentTrace(1);
    chart_.setTraceCaptionColor(LightBlue);
    const double azimuth = chart_.ValueAtCursor(1);
    chart_.setCaption(QStringLiteral("Azimuth at Cursor =") + formatOneDecimal(azimuth));
}

void LiveMonitor::onDeviceLost(const QString &reason)
{
    // Only the live stream reports here; a setup operation reports a lost device itself.
    if (port_.RThreshold() < 1 || !lossReported_)
        return;
    prompts_.message(QStringLiteral("Com port ") + QString::number(port_.CommPort()) +
                         QStringLiteral(" was lost. The chart is kept; choose Start when the "
                                        "device is back."),
                     reason);
}

void LiveMonitor::resumeStream()
{
    buffer_ = ReceiveBuffer(buffer_.capacity());
    port_.setRThreshold(1);
    port_.setOutput(DeviceProtocol::toWire(DeviceProtocol::Start) + DeviceProtocol::LineEnd);
}
