// Record path benchmark: the receive handler, number reading, the chart's store and the gauges,
// fed as the serial control would feed them, without painting. Prints records per second.
#include "FakeClock.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "monitor/LiveMonitor.h"
#include "monitor/PortList.h"
#include "platform/display/GaugeWidget.h"
#include "platform/display/StripChartWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace
{

class OnePort final : public PortList
{
public:
    bool isChecked(int index) const override { return index == 0; }
    void setChecked(int, bool) override {}
};

QByteArray makeRecords(int count)
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

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FakeSerialControl port;
    FakeClock clock;
    FakePrompts prompts;
    OnePort ports;
    GaugeWidget elevation;
    GaugeWidget azimuth;
    StripChartWidget chart;
    chart.resize(401, 353);
    LiveMonitor monitor({port, chart, elevation, azimuth, ports, clock, prompts});
    monitor.mnuStartClick();

    // Reads as a USB adapter delivers them: bursts of a few records, one event each.
    const QByteArray block = makeRecords(4096);
    const qsizetype piece = 13 * 4;
    const int rounds = 400; // 1.6 million records
    QElapsedTimer timer;
    timer.start();
    qint64 records = 0;
    for (int r = 0; r < rounds; ++r) {
        for (qsizetype at = 0; at < block.size(); at += piece)
            port.deliver(block.mid(at, piece));
        records += 4096;
        if (r % 20 == 0)
            clock.advance(1);
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("record path (handler, number reading, chart store, gauges; no painting)\n");
    std::printf("  records: %lld in %.3f s = %.0f records/s (target >= 1,000,000)\n",
                static_cast<long long>(records), seconds, records / seconds);
    return 0;
}
