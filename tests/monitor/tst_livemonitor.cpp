// The main window's logic against fakes: port selection, OpenPort, Start, Stop, the receive
// handler and the cursor readout.
#include "FakeClock.h"
#include "FakeDisplay.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "ScopedDefaultLocale.h"
#include "monitor/LiveMonitor.h"
#include "monitor/PortList.h"
#include "recording/ReadingSink.h"
#include "recording/RecordRow.h"

#include <QtTest>

namespace
{

class FakePortList final : public PortList
{
public:
    bool isChecked(int index) const override { return checked[index]; }
    void setChecked(int index, bool on) override { checked[index] = on; }
    int count() const { return int(std::count(std::begin(checked), std::end(checked), true)); }
    bool checked[Count] = {true};
};

class FakeSink final : public ReadingSink
{
public:
    void readingAccepted(const Reading &reading) override { readings.append(reading); }
    QList<Reading> readings;
};

struct Rig {
    FakeSerialControl port;
    FakeChart chart;
    FakeGauge elevation;
    FakeGauge azimuth;
    FakePortList ports;
    FakeClock clock;
    FakePrompts prompts;
    LiveMonitor monitor{{port, chart, elevation, azimuth, ports, clock, prompts}};

    QList<double> ys(short trace) const
    {
        QList<double> out;
        for (const auto &p : chart.points)
            if (p.trace == trace)
                out.append(p.y);
        return out;
    }
};

} // namespace

class TestLiveMonitor : public QObject
{
    Q_OBJECT

private slots:
    void portItemsKeepOneCheckMark();
    void openPortUsesCheckedItemAndClearsOnce();
    void openPortFailureClearsAndReportsNumber();
    void checkedPortTakesEffectAtNextOpening();
    void startSendsStartAndStartAgainDoesNotClear();
    void stopDrainsAndStopWhileClosedUsesLastPort();
    void stopOnAbsentPortWritesNothing();
    void recordsInPiecesAndSeveralInOneRead();
    void shortAndOddLinesFollowTheRules();
    void numbersBeyondADoubleAreSkipped();
    void thresholdZeroAndOtherEventsReadNothing();
    void partialLineJoinsNextStart();
    void garbageWithoutLineEndsIsBounded();
    void pointTimesAreWholeSecondsAndWrapAtMidnight();
    void deviceLostWhileStreamingToldOnce();
    void cursorReadout();
    void acceptedRecordsGoToTheSinkAsRead();
};

void TestLiveMonitor::portItemsKeepOneCheckMark()
{
    Rig rig;
    for (int i : {3, 3, 8, 0, 5}) {
        rig.monitor.mnuComClick(i);
        QCOMPARE(rig.ports.count(), 1);
        QVERIFY(rig.ports.checked[i]);
    }
    QCOMPARE(rig.port.opens, 0);
    QCOMPARE(rig.port.CommPort(), short(1));
}

void TestLiveMonitor::openPortUsesCheckedItemAndClearsOnce()
{
    Rig rig;
    rig.monitor.mnuComClick(3);
    QCOMPARE(rig.monitor.OpenPort(), QStringLiteral("OK"));
    QVERIFY(rig.port.PortOpen());
    QCOMPARE(rig.port.CommPort(), short(4));
    QCOMPARE(rig.chart.clears, 1);
    QCOMPARE(rig.chart.mode, short(2));
    QCOMPARE(rig.chart.timeScale, 1.0 / 1440.0);
    QCOMPARE(rig.monitor.OpenPort(), QStringLiteral("OK"));
    QCOMPARE(rig.chart.clears, 1);
    QCOMPARE(rig.port.opens, 1);
}

void TestLiveMonitor::openPortFailureClearsAndReportsNumber()
{
    Rig rig;
    rig.port.absentPorts = {3};
    rig.port.absentReason = QStringLiteral("Permission denied");
    rig.monitor.mnuComClick(2);
    rig.monitor.mnuStartClick();
    QCOMPARE(rig.chart.clears, 1);
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.prompts.messages, QStringList{QStringLiteral("Cannot open Com port 3")});
    QCOMPARE(rig.prompts.details.first(), QStringLiteral("Permission denied"));
    QVERIFY(rig.port.writes.isEmpty());
}

void TestLiveMonitor::checkedPortTakesEffectAtNextOpening()
{
    Rig rig;
    rig.monitor.mnuStartClick();
    rig.monitor.mnuComClick(3);
    rig.monitor.mnuStartClick();
    QCOMPARE(rig.port.writes.last().port, short(1));
    rig.monitor.mnuStopClick();
    QCOMPARE(rig.port.writes.last().port, short(1));
    rig.monitor.mnuStartClick();
    QCOMPARE(rig.port.writes.last().port, short(4));
    QCOMPARE(rig.port.writes.last().text, QByteArray("!START\r\n"));
}

void TestLiveMonitor::startSendsStartAndStartAgainDoesNotClear()
{
    Rig rig;
    rig.monitor.mnuStartClick();
    QCOMPARE(rig.port.RThreshold(), short(1));
    rig.port.deliver("12.50,-3.25\r\n");
    rig.monitor.mnuStartClick();
    QCOMPARE(rig.chart.clears, 1);
    QCOMPARE(rig.chart.points.size(), 2);
    QCOMPARE(rig.port.written(), QByteArray("!START\r\n!START\r\n"));
    rig.monitor.mnuStopClick();
    rig.monitor.mnuStartClick();
    QCOMPARE(rig.chart.clears, 2);
}

void TestLiveMonitor::stopDrainsAndStopWhileClosedUsesLastPort()
{
    Rig rig;
    rig.monitor.mnuComClick(4);
    rig.monitor.mnuStartClick();
    rig.monitor.mnuStopClick();
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.port.writes.last().text, QByteArray("!STOP\r\n"));
    QVERIFY(rig.port.writes.last().open);
    // Closed now; the check mark moved, but Stop opens the port of the last opening directly
    // and keeps the chart.
    rig.monitor.mnuComClick(7);
    const int clears = rig.chart.clears;
    rig.monitor.mnuStopClick();
    QCOMPARE(rig.port.writes.last().port, short(5));
    QCOMPARE(rig.port.writes.last().text, QByteArray("!STOP\r\n"));
    QCOMPARE(rig.chart.clears, clears);
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.port.writesWhileClosed, 0);
}

void TestLiveMonitor::stopOnAbsentPortWritesNothing()
{
    Rig rig;
    rig.port.absentPorts = {1};
    rig.monitor.mnuStopClick();
    QCOMPARE(rig.prompts.messages, QStringList{QStringLiteral("Cannot open Com port 1")});
    QVERIFY(rig.port.writes.isEmpty());
    QCOMPARE(rig.chart.clears, 0);
}

void TestLiveMonitor::recordsInPiecesAndSeveralInOneRead()
{
    Rig rig;
    rig.monitor.mnuStartClick();
    rig.port.deliver("12.50,-3");
    QVERIFY(rig.chart.points.isEmpty());
    rig.port.deliver(".25\r\n");
    QCOMPARE(rig.ys(0), QList<double>{12.5});
    QCOMPARE(rig.ys(1), QList<double>{-3.25});
    // Three records in one read are all handled at once, in order; the needles end on the
    // last one.
    rig.port.deliver("1.000,10.00\r\n2.000,20.00\r\n3.000,30.00\r\n");
    QCOMPARE(rig.ys(0), (QList<double>{12.5, 1, 2, 3}));
    QCOMPARE(rig.ys(1), (QList<double>{-3.25, 10, 20, 30}));
    QCOMPARE(rig.elevation.needle, 3.0);
    QCOMPARE(rig.azimuth.needle, 30.0);
    QCOMPARE(rig.elevation.needleSets, 4);
}

void TestLiveMonitor::shortAndOddLinesFollowTheRules()
{
    Rig rig;
    rig.monitor.mnuStartClick();
    // "OK", "ERROR" and a nine-character line are dropped; ten characters are taken.
    rig.port.deliver("OK\r\nERROR\r\n1.5,2.5,9\r\n1.50,2.5,9\r\n");
    QCOMPARE(rig.ys(0), QList<double>{1.5});
    QCOMPARE(rig.ys(1), QList<double>{2.5});
    // A third field is ignored.
    rig.port.deliver("12.50,-3.25,7\r\n");
    QCOMPARE(rig.ys(1).last(), -3.25);
    // No comma: elevation only; the azimuth needle keeps its value, its mode is still set.
    rig.azimuth.mode = 0;
    rig.port.deliver("45.0000000\r\n");
    QCOMPARE(rig.ys(0).last(), 45.0);
    QCOMPARE(rig.ys(1).size(), 2);
    QCOMPARE(rig.azimuth.needle, -3.25);
    QCOMPARE(rig.azimuth.mode, short(1));
    QCOMPARE(rig.elevation.needle, 45.0);
    // Non-numbers read 0; blanks inside a field are skipped.
    rig.port.deliver("abcdefgh,xyz\r\n1 2.5 , 3 0\r\n");
    QCOMPARE(rig.ys(0).mid(3), (QList<double>{0, 12.5}));
    QCOMPARE(rig.ys(1).mid(2), (QList<double>{0, 30}));
}

void TestLiveMonitor::numbersBeyondADoubleAreSkipped()
{
    Rig rig;
    rig.monitor.mnuStartClick();
    rig.port.deliver("12.50,-3.25\r\n");
    // An elevation too large for a double: no elevation point, its needle keeps its value;
    // the azimuth is handled as usual.
    rig.port.deliver("1e400,5.000000\r\n");
    QCOMPARE(rig.ys(0), QList<double>{12.5});
    QCOMPARE(rig.ys(1), (QList<double>{-3.25, 5}));
    QCOMPARE(rig.elevation.needle, 12.5);
    QCOMPARE(rig.elevation.needleSets, 1);
    QCOMPARE(rig.azimuth.needle, 5.0);
    // Both out of range, and a mantissa long enough to overflow on its own: nothing plotted,
    // both needles stay; the azimuth gauge's mode is still set.
    rig.azimuth.mode = 0;
    rig.port.deliver("-1e400,-1e400x\r\n");
    rig.port.deliver(QByteArray(400, '9') + ",2e308\r\n");
    QCOMPARE(rig.chart.points.size(), 3);
    QCOMPARE(rig.elevation.needle, 12.5);
    QCOMPARE(rig.azimuth.needle, 5.0);
    QCOMPARE(rig.azimuth.mode, short(1));
    // The largest double is still a number.
    rig.port.deliver("1.7976931348623157e308,0\r\n");
    QCOMPARE(rig.ys(0).last(), 1.7976931348623157e308);
}

void TestLiveMonitor::thresholdZeroAndOtherEventsReadNothing()
{
    Rig rig;
    rig.monitor.mnuStartClick();
    rig.port.setRThreshold(0);
    rig.port.deliver("12.50,-3.25\r\n");
    QVERIFY(rig.chart.points.isEmpty());
    QCOMPARE(rig.port.InBufferCount(), 13);
    // Threshold back on: the waiting record is read with the next arrival.
    rig.port.setRThreshold(1);
    rig.port.deliver("1.000,2.000\r\n");
    QCOMPARE(rig.ys(0), (QList<double>{12.5, 1}));
}

void TestLiveMonitor::partialLineJoinsNextStart()
{
    Rig rig;
    rig.monitor.mnuStartClick();
    rig.port.deliver("12.5");
    rig.monitor.mnuStopClick();
    rig.monitor.mnuStartClick();
    rig.port.deliver("0,-3.25\r\n");
    QCOMPARE(rig.ys(0), QList<double>{12.5});
    QCOMPARE(rig.ys(1), QList<double>{-3.25});
}

void TestLiveMonitor::garbageWithoutLineEndsIsBounded()
{
    Rig rig;
    rig.monitor.mnuStartClick();
    const QByteArray garbage(4096, '\x7f');
    for (int i = 0; i < 250; ++i) // a megabyte
        rig.port.deliver(garbage);
    QVERIFY(rig.monitor.receiveBuffer().size() <= ReceiveBuffer::DefaultCapacity);
    // The kept garbage ends as one line that reads 0; the good line after it is plotted.
    rig.port.deliver("\r\n12.50,-3.25\r\n");
    QCOMPARE(rig.ys(0), (QList<double>{0, 12.5}));
}

void TestLiveMonitor::pointTimesAreWholeSecondsAndWrapAtMidnight()
{
    Rig rig;
    rig.monitor.mnuStartClick();
    rig.clock.time = QTime(23, 59, 59, 900);
    rig.port.deliver("12.50,-3.25\r\n");
    rig.clock.time = QTime(0, 0, 1, 250);
    rig.port.deliver("12.50,-3.25\r\n");
    QCOMPARE(rig.chart.points[0].x, 86399.0 / 86400.0);
    QCOMPARE(rig.chart.points[1].x, 86399.0 / 86400.0);
    QCOMPARE(rig.chart.points[2].x, 1.0 / 86400.0);
    QVERIFY(rig.chart.points[2].x < rig.chart.points[0].x);
}

void TestLiveMonitor::deviceLostWhileStreamingToldOnce()
{
    Rig rig;
    rig.monitor.mnuStartClick();
    rig.port.deliver("12.50,-3.25\r\n");
    rig.port.hangUp();
    rig.port.hangUp(); // already closed: nothing more
    QCOMPARE(rig.prompts.messages.size(), 1);
    QVERIFY(rig.prompts.messages.first().contains(QStringLiteral("Com port 1")));
    QCOMPARE(rig.chart.points.size(), 2); // the chart is kept
    QVERIFY(!rig.port.PortOpen());
    rig.monitor.mnuStartClick();
    QVERIFY(rig.port.PortOpen());
}

void TestLiveMonitor::cursorReadout()
{
    Rig rig;
    const ScopedDefaultLocale locale(QLocale::c());
    rig.chart.cursorValues[0] = 12.34;
    rig.chart.cursorValues[1] = 359.96;
    rig.monitor.Strip1CursorEvent();
    QCOMPARE(rig.chart.CurrentTrace(), short(1));
    QCOMPARE(rig.chart.captions[0], QStringLiteral("Elevation at Cursor =12.3"));
    QCOMPARE(rig.chart.captions[1], QStringLiteral("Azimuth at Cursor =360.0"));
    QCOMPARE(rig.chart.colors[0], 0x000000FFu);
    QCOMPARE(rig.chart.colors[1], 0x00FF0000u);
    // A new stream clears the chart but not the readout.
    rig.monitor.mnuStartClick();
    QCOMPARE(rig.chart.captions[0], QStringLiteral("Elevation at Cursor =12.3"));
}

QTEST_GUILESS_MAIN(TestLiveMonitor)
#include "tst_livemonitor.moc"

// The sink sees exactly the lines the chart plots, with the values the display read and the
// moment whose whole second is the point's time.
void TestLiveMonitor::acceptedRecordsGoToTheSinkAsRead()
{
    Rig rig;
    FakeSink sink;
    rig.monitor.setReadingSink(&sink);
    rig.monitor.mnuStartClick();
    rig.clock.time = QTime(23, 59, 59, 987);
    rig.port.deliver("OK\r\n12.50,-3.25\r\n1.5,2.5,9\r\n");
    rig.clock.advance(0.5);
    rig.port.deliver("45.0000000\r\n1e999,-1e999\r\n");
    // Read by the setup window, not by the live display.
    rig.port.setRThreshold(0);
    rig.port.deliver("7.000,8.000\r\n");

    // The last record's numbers are too large for a double: no point, recorded as empty.
    QCOMPARE(sink.readings.size(), 3);
    QCOMPARE(rig.chart.points.size(), 3);
    const Reading &first = sink.readings[0];
    QCOMPARE(first.msecsSinceEpoch, rig.clock.now().addMSecs(-500).toMSecsSinceEpoch());
    QCOMPARE(first.utcOffsetSeconds, rig.clock.utcOffsetSeconds);
    QCOMPARE(first.elevation, 12.5);
    QCOMPARE(first.azimuth, -3.25);
    QVERIFY(std::isnan(sink.readings[1].azimuth));
    QByteArray row;
    RecordRow::append(row, sink.readings[2]);
    QCOMPARE(row, QByteArray("2026-12-08T00:00:00.487+01:00,,\r\n"));
    for (int i = 0; i < 2; ++i) {
        const int point = i == 0 ? 0 : 2; // the first record put two points
        QCOMPARE(rig.chart.points[point].x * 86400.0,
                 double(RecordRow::localSecondOfDay(sink.readings[i])));
    }
}
