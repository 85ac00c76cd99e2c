#include "monitor/LiveMonitor.h"

#include "device/DeviceProtocol.h"
#include "monitor/PortList.h"
#include "monitor/ReadoutFormat.h"
#include "platform/display/Gauge.h"
#include "platform/display/StripChart.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "platform/serial/SerialControl.h"
#include "recording/ReadingSink.h"

namespace
{

// Readout caption colours, 0x00BBGGRR: light red and light blue.
constexpr std::uint32_t LightRed = 0x000000FF;
constexpr std::uint32_t LightBlue = 0x00FF0000;

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
    stream_.append(port_.Input(), [this](const StreamRecord &record) { showRecord(record); });
}

void LiveMonitor::showRecord(const StreamRecord &record)
{
    // One time for the point and the recorded row, so a recording reloaded later puts its
    // points at the same chart times.
    const QTime time = record.arrival.time();
    const double pointTime =
        double(time.hour() * 3600 + time.minute() * 60 + time.second()) / 86400.0;
    if (record.elevation)
        chart_.AddPoint(0, pointTime, *record.elevation);
    if (record.azimuth)
        chart_.AddPoint(1, pointTime, *record.azimuth);
    if (record.elevation)
        elevation_.setNeedleValue(*record.elevation);
    azimuth_.setGaugeMode(1);
    if (record.azimuth)
        azimuth_.setNeedleValue(*record.azimuth);
    if (sink_)
        sink_->readingAccepted(record.reading());
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
    stream_.dropPartialLine();
    port_.setRThreshold(1);
    port_.setOutput(DeviceProtocol::toWire(DeviceProtocol::Start) + DeviceProtocol::LineEnd);
}
