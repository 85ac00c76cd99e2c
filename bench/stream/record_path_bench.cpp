// Record path benchmark: the receive handler, number reading, the chart's store and the gauges,
// fed as the serial control would feed them, without painting. Prints records per second.
#include "DisplayRig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DisplayRig rig;
    FakeSerialControl &port = rig.port;
    FakeClock &clock = rig.clock;

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
