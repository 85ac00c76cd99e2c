// The device's replies under faults: cut at every byte, trickling in, on the edge of the time
// limit, a device that goes away during a wait, and a setup window closed in the middle of one.
#include "Figures.h"
#include "SetupDriver.h"
#include "TransactionRig.h"

#include "FakeClock.h"
#include "FakeEventWait.h"
#include "FakeSerialControl.h"
#include "device/CommandTransaction.h"

#include <QLabel>

using namespace Qt::StringLiterals;

class TestHardSetup : public QObject
{
    Q_OBJECT

private slots:
    void replyCutAtEveryByteIsAccepted();
    void replyOneByteEvery5MsIsAccepted();
    void replyAtTheEdgeOfTheTimeLimit();
    void unplugDuringAWaitEndsItEarly();
    void closingTheWindowDuringAWait_data();
    void closingTheWindowDuringAWait();
};

void TestHardSetup::replyCutAtEveryByteIsAccepted()
{
    struct Reply {
        QByteArray text;
        QString result;
    };
    const Reply replies[] = {
        {"OK\r\n", QStringLiteral("OK")},
        {"ALARMANGLE=45\r\nOK\r\n", QStringLiteral("45")},
        {"ALARMPHONE=0123456789\r\nOK\r\n", QStringLiteral("0123456789")},
        {"ERROR\r\n", QStringLiteral("ERROR")},
        {"A=B=C\r\nOK\r\n", QStringLiteral("B=C")},
    };
    int cases = 0;
    for (const Reply &reply : replies) {
        for (qsizetype cut = 1; cut < reply.text.size(); ++cut) {
            FakeClock clock;
            FakeSerialControl port;
            FakeEventWait wait(clock, port);
            CommandTransaction transaction(port, wait, clock);
            port.setPortOpen(true);
            wait.deliverAfter(0.05, reply.text.left(cut));
            wait.deliverAfter(1.5, reply.text.mid(cut));
            QCOMPARE(transaction.SendCommand(QStringLiteral("!ALARMANGLE?")), reply.result);
            ++cases;
        }
    }
    const QByteArray status = "Dravelin 2-axis inclinometer\r\nFirmware 1.0\r\nOK\r\n";
    for (qsizetype cut = 1; cut < status.size(); ++cut) {
        FakeClock clock;
        FakeSerialControl port;
        FakeEventWait wait(clock, port);
        CommandTransaction transaction(port, wait, clock);
        port.setPortOpen(true);
        wait.deliverAfter(0.05, status.left(cut));
        wait.deliverAfter(2.5, status.mid(cut));
        QCOMPARE(transaction.ReadStatusReply(), status);
        ++cases;
    }
    qInfo("replies cut at every byte position: %d cases accepted", cases);
}

void TestHardSetup::replyOneByteEvery5MsIsAccepted()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--chunk"), QStringLiteral("1"),
                        QStringLiteral("--chunk-pause"), QStringLiteral("5")}),
             qPrintable(sim.errorString()));
    TransactionRig rig;
    QVERIFY(rig.port.PortOpen());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!STOP")), QStringLiteral("OK"));
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!ALARMANGLE?")), QStringLiteral("45"));
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!ALARMPHONE?")),
             QStringLiteral("0123456789"));
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!RANGE=HALF")), QStringLiteral("OK"));
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!RANGE?")), QStringLiteral("HALF"));
    const QByteArray status = rig.transaction.ReadStatusReply();
    QVERIFY2(status.contains("Dravelin") && status.endsWith("OK\r\n"), status.constData());
    qInfo("replies one byte every 5 ms: 6 exchanges in %lld ms, all accepted",
          qlonglong(timer.elapsed()));
}

void TestHardSetup::replyAtTheEdgeOfTheTimeLimit()
{
    // The limit itself, to the cycle, is the transaction's rule and tested on a fake clock; here
    // the real port and event loop, half a second either side of it, so that a loaded machine
    // running the last cycle late cannot turn one case into the other.
    {
        SimulatorProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--reply-delay"), QStringLiteral("1500")}),
                 qPrintable(sim.errorString()));
        TransactionRig rig;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!ALARMANGLE?")), QStringLiteral("45"));
        qInfo("reply after 1.5 s: accepted after %lld ms", qlonglong(timer.elapsed()));
    }
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--reply-delay"), QStringLiteral("2500")}),
             qPrintable(sim.errorString()));
    TransactionRig rig;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!RANGE=HALF")), QStringLiteral(">>>"));
    const qint64 timedOut = timer.elapsed();
    QVERIFY(timedOut >= 2000);
    // The late "OK" arrives; the next command must not take it for its own reply.
    QVERIFY(sim.waitForLogLine(QStringLiteral("reply"), 5000));
    QTRY_VERIFY_WITH_TIMEOUT(rig.port.InBufferCount() >= 4, 5000);
    timer.restart();
    const QString next = rig.transaction.SendCommand(QStringLiteral("!ALARMANGLE?"));
    qInfo("reply after 2.5 s: time-out result after %lld ms; next command's result \"%s\" after "
          "%lld ms",
          qlonglong(timedOut), qPrintable(next), qlonglong(timer.elapsed()));
    QCOMPARE(next, QStringLiteral(">>>"));
}

void TestHardSetup::unplugDuringAWaitEndsItEarly()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--silent"), QStringLiteral("--hangup-at"),
                        QStringLiteral("1.2")}),
             qPrintable(sim.errorString()));
    ProgramRig rig;
    QSignalSpy lost(&rig.port, &SerialControl::deviceLost);
    QElapsedTimer timer;
    timer.start();
    qint64 shownAfter = -1;
    double cpu = -1;
    runSetup(rig, [&](frmSetup *window) {
        shownAfter = timer.elapsed();
        QVERIFY(!rig.port.PortOpen());
        QVERIFY(child<QLabel>(window, "StatusBar1")
                    ->text()
                    .startsWith(QStringLiteral("Device not responding at ")));
        const double before = cpuSeconds();
        QTest::qWait(500);
        cpu = cpuSeconds() - before;
    });
    qInfo("unplug during a wait: window shown after %lld ms (a silent device takes over 4000), "
          "%lld lost signals, messages %s, %.3f s processor time in the 500 ms after",
          qlonglong(shownAfter), qlonglong(lost.size()), qPrintable(rig.boxes.texts().join(u'|')),
          cpu);
    QVERIFY(shownAfter >= 0);
    QVERIFY2(shownAfter < 3000, qPrintable(QString::number(shownAfter)));
    QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("Device not responding")});
    QCOMPARE(lost.size(), 1);
    QVERIFY2(cpu < 0.15, qPrintable(QString::number(cpu)));
    QVERIFY(!rig.port.PortOpen());

    SimulatorProcess fresh;
    QVERIFY2(fresh.start(), qPrintable(fresh.errorString()));
    runSetup(rig, [&](frmSetup *window) {
        QCOMPARE(child<QLineEdit>(window, "txtAngle")->text(), QStringLiteral("45"));
    });
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.boxes.seen.size(), 1);
}

void TestHardSetup::closingTheWindowDuringAWait_data()
{
    QTest::addColumn<bool>("setting");
    QTest::newRow("read-back") << false;
    QTest::newRow("setting") << true;
}

void TestHardSetup::closingTheWindowDuringAWait()
{
    QFETCH(bool, setting);
    SimulatorProcess sim;
    // The window closes 300 ms into the wait; the reply would come 900 ms into it.
    QVERIFY2(sim.start({QStringLiteral("--reply-delay"), QStringLiteral("900")}),
             qPrintable(sim.errorString()));
    ProgramRig rig;
    bool closedInWait = false;
    runSetup(rig, [&](frmSetup *window) {
        QPointer<frmSetup> guard(window);
        if (setting)
            typeInto(child<QLineEdit>(window, "txtAngle"), QStringLiteral("30"));
        QTimer::singleShot(300, window, [&, guard] {
            if (!guard)
                return;
            closedInWait = rig.port.PortOpen();
            child<QPushButton>(guard, "cmdClose")->click();
        });
        if (setting)
            QTest::mouseClick(child<QPushButton>(window, "cmdAngle"), Qt::LeftButton);
        else
            QTest::mouseClick(child<QPushButton>(window, "cmdRefresh"), Qt::LeftButton);
    });
    QVERIFY(closedInWait);
    QVERIFY(!rig.port.PortOpen());
    QVERIFY(!visibleSetupWindow());
    QVERIFY(rig.boxes.seen.isEmpty());
    const qsizetype commands = sim.logLinesContaining(QStringLiteral("rx !")).size();
    QTest::qWait(1000);
    QCOMPARE(sim.logLinesContaining(QStringLiteral("rx !")).size(), commands);
    qInfo("window closed 300 ms into a %s: port closed, %lld commands reached the device, none "
          "after",
          setting ? "setting" : "read-back", qlonglong(commands));
    rig.ui.mnuStart->trigger();
    QVERIFY(sim.waitForLogLine(QStringLiteral("rx !START"), 3000));
    rig.ui.mnuStop->trigger();
    QVERIFY(sim.waitForLogLine(QStringLiteral("rx !STOP"), 3000));
}

QTEST_MAIN(TestHardSetup)
#include "tst_hard_setup.moc"
