#pragma once

#include "device/PortOpener.h"
#include "monitor/RecordStream.h"

#include <QObject>

class Clock;
class Gauge;
class PortList;
class Prompts;
class ReadingSink;
class SerialControl;
class StripChart;

// The main window's logic: the port selection and OpenPort, Start and Stop, the receive handler
// that turns the device's records into points and needle positions, and the cursor readout.
// It reaches the port, the gauges, the chart, the clock and the user only through interfaces.
class LiveMonitor final : public QObject, public PortOpener
{
    Q_OBJECT

public:
    struct Parts {
        SerialControl &port;
        StripChart &chart;
        Gauge &elevation;
        Gauge &azimuth;
        PortList &ports;
        const Clock &clock;
        Prompts &prompts;
    };

    explicit LiveMonitor(const Parts &parts, QObject *parent = nullptr);

    // Port item clicked (index 0 to 8): moves the one check mark; the port is not touched.
    void mnuComClick(int index);
    // Opens the port on the checked Com port, clearing the chart first; "OK" when open, "ERROR"
    // when it stays closed. A port already open is left alone and "OK" returned.
    QString OpenPort() override;
    SerialControl &MSComm1() override { return port_; }

    void mnuStartClick();
    void mnuStopClick();
    // The chart's cursor moved: show both values at the cursor in the trace captions.
    void Strip1CursorEvent();

    // "Cannot open Com port " and the number, with the system's reason under it.
    void reportCannotOpen();

    // Every accepted record also goes to the sink (none by default), with the moment its last
    // byte arrived (the read's time less the line time of the bytes read after it, never before
    // the record before it); the sink must outlive the monitor or be reset to nullptr first.
    void setReadingSink(ReadingSink *sink) { sink_ = sink; }

    const ReceiveBuffer &receiveBuffer() const { return stream_.buffer(); }

    // One record onto the chart and the gauges and to the sink, as if it had come from the port
    // (a mast watched from elsewhere).
    void showRecord(const StreamRecord &record);

    // Off while the program resumes a lost stream by itself: a loss then shows no message box.
    void setLossReported(bool on) { lossReported_ = on; }
    // The port was opened again after a loss: the stream goes on into the same chart. A line
    // cut by the loss is dropped, so it is not joined to the first line after it.
    void resumeStream();

    // The line settings set at start-up.
    static constexpr const char *LineSettings = "9600,N,8,1";

public slots:
    // The serial control's receive event.
    void MSComm1OnComm();

private slots:
    void onDeviceLost(const QString &reason);

private:
    void ResetChart();

    SerialControl &port_;
    StripChart &chart_;
    Gauge &elevation_;
    Gauge &azimuth_;
    PortList &ports_;
    const Clock &clock_;
    Prompts &prompts_;
    RecordStream stream_{clock_};
    ReadingSink *sink_ = nullptr;
    bool lossReported_ = true;
};
