#pragma once

#include "FakeClock.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "monitor/LiveMonitor.h"
#include "monitor/PortList.h"
#include "platform/display/GaugeWidget.h"
#include "platform/display/StripChartWidget.h"

#include <QByteArray>

// The live display's real record path (receive handler, chart, gauges, not shown) over a fake
// port and clock, with the stream started: what arrives through port.deliver() is plotted.
struct DisplayRig {
    class OnePort final : public PortList
    {
    public:
        bool isChecked(int index) const override { return index == 0; }
        void setChecked(int, bool) override {}
    };

    FakeSerialControl port;
    FakeClock clock;
    FakePrompts prompts;
    OnePort ports;
    GaugeWidget elevation;
    GaugeWidget azimuth;
    StripChartWidget chart{clock};
    LiveMonitor monitor{{port, chart, elevation, azimuth, ports, clock, prompts}};

    DisplayRig()
    {
        chart.resize(401, 353);
        monitor.mnuStartClick();
    }
};

// `count` records as the device sends them ("-90.00,0.00" CR LF ...), values stepping through
// both scales.
inline QByteArray makeRecords(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        const double elevation = -90 + (i % 18000) / 100.0;
        const double azimuth = (i % 36000) / 100.0;
        out += QByteArray::number(elevation, 'f', 2) + ',' + QByteArray::number(azimuth, 'f', 2) +
               "\r\n";
    }
    return out;
}
