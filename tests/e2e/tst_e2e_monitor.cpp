// The live display from end to end: the real program against the device simulator on a
// pseudo-terminal.
#include "ProgramRig.h"
#include "ScopedDefaultLocale.h"

#include "platform/display/GaugeWidget.h"

class TestE2eMonitor : public QObject
{
    Q_OBJECT

private slots:
    void startStreamsAndStopDrains();
    void checkedPortTakesEffectAfterStopAndStart();
    void absentPortIsReportedWithItsNumberAndReason();
    void garbageAndNoCommaLinesDoNoHarm();
    void cursorReadsValuesBack();
    void helpShowsTheText();
};

void TestE2eMonitor::startStreamsAndStopDrains()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    ProgramRig rig;
    rig.ui.mnuStart->trigger();
    QVERIFY(rig.port.PortOpen());
    QVERIFY(sim.waitForLogLine(QStringLiteral("rx !START"), 3000));
    QTRY_VERIFY_WITH_TIMEOUT(rig.records() >= 20, 5000);
    QCOMPARE(rig.ui.Strip1->store().trace(1).appended(), rig.records());
    QVERIFY(rig.ui.Elevation->NeedleValue() != 0.0 || rig.ui.Azimuth->NeedleValue() != 0.0);
    QVERIFY(rig.boxes.seen.isEmpty());

    rig.ui.mnuStop->trigger();
    QVERIFY(!rig.port.PortOpen());
    QVERIFY(sim.waitForLogLine(QStringLiteral("rx !STOP"), 3000));
    // "!STOP" reached the device before the port closed.
    const QStringList log = sim.logLines();
    qsizetype stop = -1;
    qsizetype closed = -1;
    for (qsizetype i = 0; i < log.size(); ++i) {
        if (log[i].contains(QStringLiteral("rx !STOP")))
            stop = i;
        if (log[i].contains(QStringLiteral("event port closed")))
            closed = i;
    }
    QVERIFY(stop >= 0);
    QVERIFY2(closed < 0 || closed > stop, qPrintable(log.join(u'\n')));
}

void TestE2eMonitor::checkedPortTakesEffectAfterStopAndStart()
{
    SimulatorProcess first;
    SimulatorProcess second;
    QVERIFY2(first.start({}, 1), qPrintable(first.errorString()));
    QVERIFY2(second.start({}, 4), qPrintable(second.errorString()));
    ProgramRig rig;
    rig.ui.mnuStart->trigger();
    QVERIFY(first.waitForLogLine(QStringLiteral("rx !START"), 3000));
    rig.ui.mnuCom[3]->trigger();
    rig.ui.mnuStart->trigger(); // still Com Port 1: sends "!START" again, keeps the chart
    QTRY_COMPARE_WITH_TIMEOUT(first.logLinesContaining(QStringLiteral("rx !START")).size(), 2,
                              3000);
    rig.ui.mnuStop->trigger();
    QVERIFY(first.waitForLogLine(QStringLiteral("rx !STOP"), 3000));
    QVERIFY(second.logLinesContaining(QStringLiteral("rx !")).isEmpty());
    rig.ui.mnuStart->trigger();
    QVERIFY(second.waitForLogLine(QStringLiteral("rx !START"), 3000));
    QCOMPARE(rig.port.CommPort(), short(4));
    rig.ui.mnuStop->trigger();
    QVERIFY(second.waitForLogLine(QStringLiteral("rx !STOP"), 3000));
}

void TestE2eMonitor::absentPortIsReportedWithItsNumberAndReason()
{
    qputenv("ORVEL_COM3", "/dev/orvel-no-such-port");
    ProgramRig rig;
    rig.ui.mnuCom[2]->trigger();
    rig.ui.mnuStart->trigger();
    qunsetenv("ORVEL_COM3");
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("Cannot open Com port 3")});
    const auto &box = rig.boxes.seen.first();
    QCOMPARE(box.title, QStringLiteral("Orvel On-Line"));
    QVERIFY(!box.hasIcon);
    QCOMPARE(box.buttons, 1);
    QVERIFY2(box.detail.contains(QStringLiteral("/dev/orvel-no-such-port")),
             qPrintable(box.detail));
}

void TestE2eMonitor::garbageAndNoCommaLinesDoNoHarm()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--garbage"), QStringLiteral("--garbage-bytes"),
                        QStringLiteral("3000")}),
             qPrintable(sim.errorString()));
    ProgramRig rig;
    rig.ui.mnuStart->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(rig.records() >= 30, 10000);
    const double elevation = rig.ui.Elevation->NeedleValue();
    const double azimuth = rig.ui.Azimuth->NeedleValue();
    QVERIFY(elevation >= -90 && elevation <= 90);
    QVERIFY(azimuth >= 0 && azimuth <= 360);
    QVERIFY(rig.window.monitor().receiveBuffer().size() < 4096);
    rig.ui.mnuStop->trigger();
    QVERIFY(sim.waitForLogLine(QStringLiteral("rx !STOP"), 3000));
}

void TestE2eMonitor::cursorReadsValuesBack()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--record"), QStringLiteral("12.34,359.96")}),
             qPrintable(sim.errorString()));
    ProgramRig rig;
    const ScopedDefaultLocale locale(QLocale::c());
    rig.ui.mnuStart->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(rig.records() >= 5, 5000);
    rig.ui.mnuStop->trigger();
    StripChartWidget *chart = rig.ui.Strip1;
    QSignalSpy cursor(chart, &StripChartWidget::CursorEvent);
    // Click where a user would: on the upper plotting area, to the right.
    const QPoint at(chart->width() * 3 / 4, chart->height() / 4);
    QWidget *target = chart->childAt(at) ? chart->childAt(at) : chart;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(chart, at));
    QVERIFY(cursor.size() >= 1);
    chart->setCurrentTrace(0);
    QCOMPARE(chart->Caption(), QStringLiteral("Elevation at Cursor =12.3"));
    chart->setCurrentTrace(1);
    QCOMPARE(chart->Caption(), QStringLiteral("Azimuth at Cursor =360.0"));
}

void TestE2eMonitor::helpShowsTheText()
{
    ProgramRig rig;
    rig.ui.mnuHelp->trigger();
    QCOMPARE(rig.boxes.seen.size(), 1);
    QVERIFY(rig.boxes.seen.first().text.startsWith(
        QStringLiteral("Orvel On-line v" ORVEL_VERSION_TEXT "\n \n")));
    QCOMPARE(rig.boxes.seen.first().text.count(QLatin1Char('\n')), 15);
}

QTEST_MAIN(TestE2eMonitor)
#include "tst_e2e_monitor.moc"
