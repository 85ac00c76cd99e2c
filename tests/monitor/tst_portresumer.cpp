// Resuming a lost stream, against fakes: the same device is opened again and the stream goes on
// into the same chart; another device in the port's place is left closed.
#include "FakeClock.h"
#include "FakeDisplay.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "monitor/LiveMonitor.h"
#include "monitor/PortList.h"
#include "monitor/PortResumer.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

class OnePortList final : public PortList
{
public:
    bool isChecked(int index) const override { return index == 0; }
    void setChecked(int, bool) override {}
};

struct Rig {
    FakeSerialControl port;
    FakeChart chart;
    FakeGauge elevation;
    FakeGauge azimuth;
    OnePortList ports;
    FakeClock clock;
    FakePrompts prompts;
    LiveMonitor monitor{{port, chart, elevation, azimuth, ports, clock, prompts}};
    PortIdentity present{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("A1"), false};
    PortResumer resumer{port, clock, [this](short) { return present; },
                        [this] { monitor.resumeStream(); }};

    Rig()
    {
        monitor.setLossReported(false);
        monitor.mnuStartClick();
        resumer.streamStarted();
        port.deliver("1.50,10.00,\r\n");
    }
};

} // namespace

class TestPortResumer : public QObject
{
    Q_OBJECT

private slots:
    void resumesOnlyOntoTheSameDevice_data();
    void resumesOnlyOntoTheSameDevice();
    void endingTheStreamEndsTheRetrying();
    void offLeavesTheLossToTheMessageBox();
    void durations_data();
    void durations();
};

void TestPortResumer::resumesOnlyOntoTheSameDevice_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("byPath");
    QTest::addColumn<bool>("resumes");
    QTest::newRow("same adapter") << "/dev/ttyUSB0"
                                  << "A1" << false << true;
    QTest::newRow("other serial, same place") << "/dev/ttyUSB0"
                                              << "B2" << false << false;
    QTest::newRow("same serial, other place") << "/dev/ttyUSB1"
                                              << "A1" << false << false;
    QTest::newRow("nothing there") << ""
                                   << "" << false << false;
    QTest::newRow("named by a path") << "/dev/pts/7"
                                     << "" << true << true;
}

void TestPortResumer::resumesOnlyOntoTheSameDevice()
{
    QFETCH(QString, device);
    QFETCH(QString, serial);
    QFETCH(bool, byPath);
    QFETCH(bool, resumes);
    Rig rig;
    if (byPath) {
        rig.present.byPath = true;
        rig.resumer.streamStarted();
    }
    QSignalSpy notices(&rig.resumer, &PortResumer::noticeChanged);
    QSignalSpy backs(&rig.resumer, &PortResumer::back);
    rig.port.deliver("9.");
    rig.port.hangUp();
    QVERIFY(rig.prompts.messages.isEmpty());
    QVERIFY(rig.resumer.retrying());
    QCOMPARE(notices.last().first().toString(),
             QStringLiteral("Com port 1 lost at 12:00:00; trying again every 2 s"));

    rig.present = {device, serial, byPath};
    rig.port.absentPorts.insert(1); // first attempt: the device is not back yet
    rig.clock.advance(2);
    rig.resumer.tryAgain();
    QVERIFY(!rig.port.PortOpen());
    rig.port.absentPorts.clear();
    rig.clock.advance(125);
    const int writesBefore = int(rig.port.writes.size());
    rig.resumer.tryAgain();

    QCOMPARE(rig.port.PortOpen(), resumes);
    QCOMPARE(rig.resumer.retrying(), !resumes);
    if (!resumes) {
        QCOMPARE(rig.port.writes.size(), writesBefore);
        if (!device.isEmpty())
            QVERIFY(notices.last().first().toString().contains(QStringLiteral("not opened")));
        return;
    }
    QCOMPARE(rig.port.writes.last().text, QByteArray("!START\r\n"));
    QCOMPARE(backs.size(), 1);
    QCOMPARE(backs.first().at(2).toLongLong(), 127000);
    QCOMPARE(notices.last().first().toString(),
             QStringLiteral("Com port 1 back at 12:02:07 after 2 min 7 s"));
    // A line cut by the loss is not joined to the next one; the chart was kept.
    rig.port.deliver("2.50,20.00,\r\n");
    QCOMPARE(rig.chart.clears, 1);
    QCOMPARE(rig.chart.points.size(), 4);
    QCOMPARE(rig.elevation.needle, 2.5);
}

void TestPortResumer::endingTheStreamEndsTheRetrying()
{
    Rig rig;
    rig.port.hangUp();
    QVERIFY(rig.resumer.retrying());
    rig.resumer.streamEnded();
    QVERIFY(!rig.resumer.retrying());
    rig.resumer.tryAgain();
    QVERIFY(!rig.port.PortOpen());
    // A loss outside the stream (setup's own operations) is not the resumer's.
    rig.port.setPortOpen(true);
    rig.port.hangUp();
    QVERIFY(!rig.resumer.retrying());
}

void TestPortResumer::offLeavesTheLossToTheMessageBox()
{
    Rig rig;
    rig.resumer.setEnabled(false);
    rig.monitor.setLossReported(true);
    QSignalSpy lost(&rig.resumer, &PortResumer::lost);
    rig.port.hangUp();
    QCOMPARE(lost.size(), 1);
    QVERIFY(!rig.resumer.retrying());
    QCOMPARE(rig.prompts.messages.size(), 1);
}

void TestPortResumer::durations_data()
{
    QTest::addColumn<qint64>("msecs");
    QTest::addColumn<QString>("text");
    QTest::newRow("seconds") << qint64(45400) << "45 s";
    QTest::newRow("minutes") << qint64(127000) << "2 min 7 s";
    QTest::newRow("hours") << qint64(3780000) << "1 h 3 min";
}

void TestPortResumer::durations()
{
    QFETCH(qint64, msecs);
    QFETCH(QString, text);
    QCOMPARE(PortResumer::durationText(msecs), text);
}

QTEST_GUILESS_MAIN(TestPortResumer)
#include "tst_portresumer.moc"
