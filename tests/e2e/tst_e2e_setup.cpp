// Device configuration from end to end: the real program's Setup command and setup window
// against the device simulator on a pseudo-terminal.
#include "SetupDriver.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <functional>

namespace
{

const QRegularExpression TimeOfDay(QStringLiteral("\\d{1,2}:\\d{2}:\\d{2}"));

} // namespace

class TestE2eSetup : public QObject
{
    Q_OBJECT

private slots:
    void readBackFillsTheWindow();
    void settingsReachTheDeviceAndAreReadBack();
    void refusingDeviceGivesErrorsAndUnknown();
    void silentDeviceIsNotResponding();
    void repliesInOneBytePiecesStillWork();
    void absentPortIsReported();
    void setupRefusedWhileStreaming();
};

void TestE2eSetup::readBackFillsTheWindow()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    ProgramRig rig;
    bool seen = false;
    runSetup(rig, [&](frmSetup *window) {
        seen = true;
        QCOMPARE(window->windowTitle(), QStringLiteral("Dravelin Setup"));
        const QString status = child<QPlainTextEdit>(window, "txtStatus")->toPlainText();
        QVERIFY2(status.contains(QStringLiteral("Dravelin 2-axis inclinometer")),
                 qPrintable(status));
        QVERIFY(!status.contains(QStringLiteral("OK")));
        QVERIFY(!child<QPlainTextEdit>(window, "txtStatus")->isEnabled());
        QCOMPARE(child<QLineEdit>(window, "txtAngle")->text(), QStringLiteral("45"));
        QCOMPARE(child<QLineEdit>(window, "txtNumber")->text(), QStringLiteral("0123456789"));
        QCOMPARE(child<PickList>(window, "cboRange")->currentText(), QStringLiteral("FULL"));
        QCOMPARE(child<PickList>(window, "cboHandshake")->currentText(), QStringLiteral("NONE"));
        QVERIFY(statusLine(window).startsWith(QStringLiteral("Refreshed at ")));
        QVERIFY(TimeOfDay.match(statusLine(window)).hasMatch());
        QVERIFY(child<QPushButton>(window, "cmdAngle")->isHidden());
        QVERIFY(child<QPushButton>(window, "cmdNumber")->isHidden());
    });
    QVERIFY(seen);
    QVERIFY(rig.boxes.seen.isEmpty());
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.port.RThreshold(), short(0));
    QVERIFY(sim.waitForLogLine(QStringLiteral("rx !HANDSHAKE?"), 2000));
    QCOMPARE(sim.logLinesContaining(QStringLiteral("rx !STOP")).size(), 1);
}

void TestE2eSetup::settingsReachTheDeviceAndAreReadBack()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    ProgramRig rig;
    runSetup(rig, [&](frmSetup *window) {
        auto *angle = child<QLineEdit>(window, "txtAngle");
        typeInto(angle, QStringLiteral("5"));
        QVERIFY(child<QPushButton>(window, "cmdAngle")->isVisible());
        QTest::mouseClick(child<QPushButton>(window, "cmdAngle"), Qt::LeftButton);
        QVERIFY(statusLine(window).startsWith(QStringLiteral("Alarm Angle Changed at ")));
        QCOMPARE(angle->text(), QStringLiteral("05"));
        QVERIFY(child<QPushButton>(window, "cmdAngle")->isHidden());
        QVERIFY(!rig.port.PortOpen());

        typeInto(child<QLineEdit>(window, "txtNumber"), QStringLiteral("  012 "));
        QTest::mouseClick(child<QPushButton>(window, "cmdNumber"), Qt::LeftButton);
        QVERIFY(statusLine(window).startsWith(QStringLiteral("Phone Number Changed at ")));

        pick(child<PickList>(window, "cboRange"), QStringLiteral("HALF"));
        QVERIFY(statusLine(window).startsWith(QStringLiteral("Output Range Changed at ")));
        pick(child<PickList>(window, "cboHandshake"), QStringLiteral("HARDWARE"));
        QVERIFY(statusLine(window).startsWith(QStringLiteral("Handshake Method Changed at ")));

        QTest::mouseClick(child<QPushButton>(window, "cmdRefresh"), Qt::LeftButton);
        QVERIFY(statusLine(window).startsWith(QStringLiteral("Refreshed at ")));
        QCOMPARE(angle->text(), QStringLiteral("05"));
        QCOMPARE(child<QLineEdit>(window, "txtNumber")->text(), QStringLiteral("012"));
        QCOMPARE(child<PickList>(window, "cboRange")->currentText(), QStringLiteral("HALF"));
        QCOMPARE(child<PickList>(window, "cboHandshake")->currentText(),
                 QStringLiteral("HARDWARE"));
    });
    for (const char *command :
         {"rx !ALARMANGLE=05", "rx !ALARMPHONE=012", "rx !RANGE=HALF", "rx !HANDSHAKE=HARDWARE"})
        QCOMPARE(sim.logLinesContaining(QString::fromLatin1(command)).size(), 1);
    QVERIFY(rig.boxes.seen.isEmpty());
    QVERIFY(!rig.port.PortOpen());
}

void TestE2eSetup::refusingDeviceGivesErrorsAndUnknown()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--refuse")}), qPrintable(sim.errorString()));
    ProgramRig rig;
    QElapsedTimer timer;
    timer.start();
    runSetup(rig, [&](frmSetup *window) {
        // "!STOP" refused for just over three seconds, then everything read anyway.
        QVERIFY(timer.elapsed() >= 3000);
        QVERIFY(sim.logLinesContaining(QStringLiteral("rx !STOP")).size() >= 2);
        QCOMPARE(child<QLineEdit>(window, "txtAngle")->text(), QStringLiteral("ERROR"));
        QVERIFY(statusLine(window).startsWith(QStringLiteral("Refreshed at ")));
        auto *angle = child<QLineEdit>(window, "txtAngle");
        typeInto(angle, QStringLiteral("45"));
        QTest::mouseClick(child<QPushButton>(window, "cmdAngle"), Qt::LeftButton);
        QVERIFY(statusLine(window).startsWith(QStringLiteral("ERROR setting Alarm Angle at ")));
        QCOMPARE(angle->text(), QStringLiteral("UNKNOWN"));
        QVERIFY(child<QPushButton>(window, "cmdAngle")->isVisible());
        pick(child<PickList>(window, "cboRange"), QStringLiteral("HALF"));
        QVERIFY(statusLine(window).startsWith(QStringLiteral("ERROR setting Output Range at ")));
        QCOMPARE(child<PickList>(window, "cboRange")->currentText(), QStringLiteral("UNKNOWN"));
    });
    QVERIFY(!rig.port.PortOpen());
}

void TestE2eSetup::silentDeviceIsNotResponding()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--silent")}), qPrintable(sim.errorString()));
    ProgramRig rig;
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuSeconds();
    runSetup(rig, [&](frmSetup *window) {
        // The message came before the window: two "!STOP" attempts, about four seconds.
        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("Device not responding")});
        QVERIFY(timer.elapsed() >= 4000);
        QCOMPARE(sim.logLinesContaining(QStringLiteral("rx !STOP")).size(), 2);
        QVERIFY(statusLine(window).startsWith(QStringLiteral("Device not responding at ")));
        QCOMPARE(child<QLineEdit>(window, "txtAngle")->text(), QStringLiteral("UNKNOWN"));
        QCOMPARE(child<QLineEdit>(window, "txtNumber")->text(), QStringLiteral("UNKNOWN"));
        QCOMPARE(child<PickList>(window, "cboRange")->currentText(), QStringLiteral("UNKNOWN"));
        QCOMPARE(child<PickList>(window, "cboHandshake")->currentText(), QStringLiteral("UNKNOWN"));
    });
    // The waits slept: a few percent of one core over four seconds, not a spinning loop.
    const double cpu = cpuSeconds() - cpuBefore;
    QVERIFY2(cpu < 0.6, qPrintable(QString::number(cpu)));
    QVERIFY(!rig.port.PortOpen());
}

void TestE2eSetup::repliesInOneBytePiecesStillWork()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--chunk"), QStringLiteral("1"),
                        QStringLiteral("--chunk-pause"), QStringLiteral("5")}),
             qPrintable(sim.errorString()));
    ProgramRig rig;
    runSetup(rig, [&](frmSetup *window) {
        QCOMPARE(child<QLineEdit>(window, "txtAngle")->text(), QStringLiteral("45"));
        QCOMPARE(child<PickList>(window, "cboHandshake")->currentText(), QStringLiteral("NONE"));
        QVERIFY(statusLine(window).startsWith(QStringLiteral("Refreshed at ")));
    });
    QVERIFY(rig.boxes.seen.isEmpty());
}

void TestE2eSetup::absentPortIsReported()
{
    qputenv("ORVEL_COM1", "/dev/orvel-no-such-port");
    ProgramRig rig;
    runSetup(rig, [&](frmSetup *window) {
        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("Cannot open Com port 1")});
        QVERIFY(statusLine(window).startsWith(QStringLiteral("Cannot open Com port ")));
        QVERIFY(TimeOfDay.match(statusLine(window)).hasMatch());
        typeInto(child<QLineEdit>(window, "txtAngle"), QStringLiteral("45"));
        QTest::mouseClick(child<QPushButton>(window, "cmdAngle"), Qt::LeftButton);
        QCOMPARE(rig.boxes.seen.size(), 2);
        QCOMPARE(rig.boxes.seen.last().text, QStringLiteral("Cannot open Com port 1"));
        QCOMPARE(statusLine(window), QStringLiteral("Working. Please wait..."));
    });
    qunsetenv("ORVEL_COM1");
    QVERIFY(!rig.port.PortOpen());
}

void TestE2eSetup::setupRefusedWhileStreaming()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    ProgramRig rig;
    rig.ui.mnuStart->trigger();
    rig.ui.mnuSetup->trigger(); // returns at once: refused silently
    QVERIFY(!visibleSetupWindow());
    QVERIFY(rig.boxes.seen.isEmpty());
    QVERIFY(rig.port.PortOpen());
    rig.ui.mnuStop->trigger();
}

QTEST_MAIN(TestE2eSetup)
#include "tst_e2e_setup.moc"
