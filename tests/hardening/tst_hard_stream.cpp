// What arrives on the serial line while the live display runs: a megabyte of garbage without a
// line end, in pieces of every size, and a device that goes away in the middle of the stream.
#include "Figures.h"
#include "ProgramRig.h"

#include "DisplayRig.h"
#include "FakeClock.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "monitor/PortList.h"
#include "platform/display/GaugeWidget.h"

#include <QRandomGenerator>
#include <QSerialPort>

namespace
{

constexpr qsizetype GarbageBytes = 1000000;

// Random bytes in which no CR is followed by an LF: no line ever ends.
QByteArray garbage(qsizetype size)
{
    QRandomGenerator random(20240611);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(random.bounded(256));
    for (qsizetype i = 1; i < size; ++i) {
        if (bytes[i - 1] == '\r' && bytes[i] == '\n')
            bytes[i] = 'x';
    }
    return bytes;
}

} // namespace

class TestHardStream : public QObject
{
    Q_OBJECT

private slots:
    void garbageInPiecesStaysBoundedAndTheNextLineIsPlotted_data();
    void garbageInPiecesStaysBoundedAndTheNextLineIsPlotted();
    void garbageOverTheTerminalStaysBounded();
    void unplugDuringTheStreamClosesTellsOnceAndIdles();
};

void TestHardStream::garbageInPiecesStaysBoundedAndTheNextLineIsPlotted_data()
{
    QTest::addColumn<int>("piece");
    QTest::newRow("1 byte") << 1;
    QTest::newRow("7 bytes") << 7;
    QTest::newRow("4096 bytes") << 4096;
}

void TestHardStream::garbageInPiecesStaysBoundedAndTheNextLineIsPlotted()
{
    QFETCH(int, piece);
    DisplayRig rig;
    FakeSerialControl &port = rig.port;
    FakePrompts &prompts = rig.prompts;
    GaugeWidget &elevation = rig.elevation;
    GaugeWidget &azimuth = rig.azimuth;
    StripChartWidget &chart = rig.chart;
    LiveMonitor &monitor = rig.monitor;
    port.deliver("10.00,20.00\r\n");
    QCOMPARE(chart.store().trace(0).appended(), quint64(1));

    const QByteArray junk = garbage(GarbageBytes);
    const qint64 before = residentBytes();
    qsizetype largest = 0;
    for (qsizetype at = 0; at < junk.size(); at += piece) {
        port.deliver(junk.mid(at, piece));
        largest = qMax(largest, monitor.receiveBuffer().size());
    }
    // The record that ends the garbage line is lost with it; the next one is the first good line.
    port.deliver("-1.00,2.00\r\n");
    port.deliver("12.34,56.78\r\n");
    const qint64 growth = residentBytes() - before;
    const qint64 chartGrowth = qint64(chart.store().memoryBytes());
    qInfo(
        "garbage %lld bytes in %d-byte pieces: buffer peak %lld of %lld, resident growth %.3f MiB "
        "(chart %.3f MiB)",
        qlonglong(GarbageBytes), piece, qlonglong(largest),
        qlonglong(monitor.receiveBuffer().capacity()), mebibytes(growth), mebibytes(chartGrowth));

    QVERIFY(largest <= monitor.receiveBuffer().capacity());
    QCOMPARE(monitor.receiveBuffer().size(), qsizetype(0));
    QCOMPARE(chart.store().trace(0).appended(), quint64(3));
    QCOMPARE(chart.store().trace(0).valueAt(chart.store().newestX()), 12.34);
    QCOMPARE(chart.store().trace(1).valueAt(chart.store().newestX()), 56.78);
    QCOMPARE(elevation.NeedleValue(), 12.34);
    QCOMPARE(azimuth.NeedleValue(), 56.78);
    if (!UnderAddressSanitizer)
        QVERIFY2(growth < 1024 * 1024, qPrintable(QString::number(growth)));
    QVERIFY(prompts.messages.isEmpty());
}

void TestHardStream::garbageOverTheTerminalStaysBounded()
{
    // The simulator sends the garbage after every "!START" it answers, as fast as the terminal
    // takes it, then fixed records.
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--unpaced"), QStringLiteral("--garbage-bytes"),
                        QString::number(GarbageBytes), QStringLiteral("--record"),
                        QStringLiteral("12.34,56.78")}),
             qPrintable(sim.errorString()));
    ProgramRig rig;
    qsizetype largest = 0;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout,
                     [&] { largest = qMax(largest, rig.window.monitor().receiveBuffer().size()); });
    sample.start(1);
    // The first round warms up what any stream needs (port buffers, painting the chart); the
    // second one measures what the garbage costs.
    qint64 before = 0;
    for (int round = 1; round <= 2; ++round) {
        QElapsedTimer timer;
        timer.start();
        rig.ui.mnuStart->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(rig.records() >= 5, 60000);
        const qint64 firstRecords = timer.elapsed();
        rig.ui.mnuStop->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(sim.logLinesContaining(QStringLiteral("rx !STOP")).size(),
                                  qsizetype(round), 3000);
        QTest::qWait(50);
        const qint64 resident = residentBytes();
        qInfo("garbage %lld bytes over the terminal, round %d: first records after %lld ms, "
              "buffer peak %lld, resident %.3f MiB, chart %.3f MiB",
              qlonglong(GarbageBytes), round, qlonglong(firstRecords), qlonglong(largest),
              mebibytes(resident), mebibytes(qint64(rig.ui.Strip1->store().memoryBytes())));
        QVERIFY(largest <= rig.window.monitor().receiveBuffer().capacity());
        QCOMPARE(rig.ui.Elevation->NeedleValue(), 12.34);
        QCOMPARE(rig.ui.Azimuth->NeedleValue(), 56.78);
        const ChartStore &store = rig.ui.Strip1->store();
        QCOMPARE(store.trace(0).valueAt(store.newestX()), 12.34);
        if (round == 1) {
            before = resident;
            continue;
        }
        const qint64 growth = resident - before;
        qInfo("garbage over the terminal: resident growth %.3f MiB in the second round",
              mebibytes(growth));
        if (!UnderAddressSanitizer)
            QVERIFY2(growth < 1024 * 1024, qPrintable(QString::number(growth)));
    }
    QVERIFY(rig.boxes.seen.isEmpty());
}

void TestHardStream::unplugDuringTheStreamClosesTellsOnceAndIdles()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--hangup-after"), QStringLiteral("1")}),
             qPrintable(sim.errorString()));
    ProgramRig rig;
    // Without resuming, a loss is told in one message box and the port stays closed.
    MonitoringSettings noResume;
    noResume.resume = false;
    rig.program.setMonitoring(noResume);
    auto *serial = rig.port.findChild<QSerialPort *>();
    QVERIFY(serial);
    int errors = 0;
    QObject::connect(serial, &QSerialPort::errorOccurred, [&](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError)
            ++errors;
    });
    int lostEvents = 0;
    QObject::connect(&rig.port, &SerialControl::OnComm, [&] {
        if (rig.port.CommEvent() == SerialControl::DeviceLost)
            ++lostEvents;
    });
    QSignalSpy lost(&rig.port, &SerialControl::deviceLost);

    rig.ui.mnuStart->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(rig.records() > 0, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.port.PortOpen(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(rig.boxes.seen.size(), 1, 3000);
    const quint64 kept = rig.records(); // the chart is kept
    const double before = cpuSeconds();
    QTest::qWait(500);
    const double cpu = cpuSeconds() - before;
    qInfo("unplug during the stream: %d port errors, %d lost events, %lld messages, "
          "%.3f s processor time in the 500 ms after",
          errors, lostEvents, qlonglong(rig.boxes.seen.size()), cpu);
    QVERIFY(rig.boxes.seen.first().text.startsWith(QStringLiteral("Com port 1 was lost")));
    QCOMPARE(lost.size(), 1);
    QCOMPARE(lostEvents, 1);
    QVERIFY2(errors <= 5, qPrintable(QString::number(errors)));
    QVERIFY2(cpu < 0.15, qPrintable(QString::number(cpu)));
    QCOMPARE(rig.boxes.seen.size(), 1);
    QCOMPARE(rig.records(), kept);

    // The device is back: Start works again.
    SimulatorProcess fresh;
    QVERIFY2(fresh.start(), qPrintable(fresh.errorString()));
    rig.ui.mnuStart->trigger();
    QVERIFY(rig.port.PortOpen());
    QVERIFY(fresh.waitForLogLine(QStringLiteral("rx !START"), 3000));
    QTRY_VERIFY_WITH_TIMEOUT(rig.records() > 0 && rig.records() != kept, 5000);
    rig.ui.mnuStop->trigger();
    QVERIFY(fresh.waitForLogLine(QStringLiteral("rx !STOP"), 3000));
}

QTEST_MAIN(TestHardStream)
#include "tst_hard_stream.moc"
