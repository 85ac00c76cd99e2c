// A user who clicks fast: Start and Stop alternated, Setup opened and closed again and again,
// Refresh clicked while every wait runs.
#include "SetupDriver.h"

#include <QLabel>
#include <QSet>

class TestHardClicks : public QObject
{
    Q_OBJECT

private slots:
    void startAndStopAlternated();
    void setupOpenedAndClosed();
    void refreshClickedDuringEveryWait();
};

void TestHardClicks::startAndStopAlternated()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    ProgramRig rig;
    constexpr int Rounds = 200;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Rounds; ++i) {
        rig.ui.mnuStart->trigger();
        QCoreApplication::processEvents();
        rig.ui.mnuStop->trigger();
        QCoreApplication::processEvents();
    }
    const qint64 clicking = timer.elapsed();
    QVERIFY(!rig.port.PortOpen());
    QTRY_COMPARE_WITH_TIMEOUT(sim.logLinesContaining(QStringLiteral("rx !STOP")).size(),
                              qsizetype(Rounds), 10000);
    qInfo("Start and Stop alternated %d times in %lld ms: %lld \"!START\" and %lld \"!STOP\" "
          "reached the device, %lld messages",
          Rounds, qlonglong(clicking),
          qlonglong(sim.logLinesContaining(QStringLiteral("rx !START")).size()),
          qlonglong(sim.logLinesContaining(QStringLiteral("rx !STOP")).size()),
          qlonglong(rig.boxes.seen.size()));
    QCOMPARE(sim.logLinesContaining(QStringLiteral("rx !START")).size(), qsizetype(Rounds));
    QVERIFY(rig.boxes.seen.isEmpty());
}

void TestHardClicks::setupOpenedAndClosed()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    ProgramRig rig;
    constexpr int Rounds = 50;
    int shown = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Rounds; ++i) {
        runSetup(rig, [&](frmSetup *window) {
            if (child<QLineEdit>(window, "txtAngle")->text() == QLatin1String("45"))
                ++shown;
        });
        QVERIFY(!rig.port.PortOpen());
    }
    qInfo("Setup and Close %d times in %lld ms: %d read-backs complete, %lld \"!STOP\" reached "
          "the device, %lld messages",
          Rounds, qlonglong(timer.elapsed()), shown,
          qlonglong(sim.logLinesContaining(QStringLiteral("rx !STOP")).size()),
          qlonglong(rig.boxes.seen.size()));
    QCOMPARE(shown, Rounds);
    QTRY_COMPARE_WITH_TIMEOUT(sim.logLinesContaining(QStringLiteral("rx !STOP")).size(),
                              qsizetype(Rounds), 5000);
    QVERIFY(rig.boxes.seen.isEmpty());
    QVERIFY(!visibleSetupWindow());
    // The program carries on.
    rig.ui.mnuStart->trigger();
    QVERIFY(sim.waitForLogLine(QStringLiteral("rx !START"), 3000));
    rig.ui.mnuStop->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(sim.logLinesContaining(QStringLiteral("rx !STOP")).size(),
                              qsizetype(Rounds + 1), 5000);
}

void TestHardClicks::refreshClickedDuringEveryWait()
{
    SimulatorProcess sim;
    // Each wait lasts 600 ms, far longer than the simulator's log takes to reach this process
    // on a loaded machine, so the last clicks of every wait see its command in the log.
    QVERIFY2(sim.start({QStringLiteral("--reply-delay"), QStringLiteral("600")}),
             qPrintable(sim.errorString()));
    ProgramRig rig;
    int clicks = 0;
    QSet<qsizetype> waitsClicked; // by the number of commands the device had received
    runSetup(rig, [&](frmSetup *window) {
        QPointer<frmSetup> guard(window);
        // The read-back before the window showed: its six commands are in the log.
        QTRY_COMPARE_WITH_TIMEOUT(sim.logLinesContaining(QStringLiteral("rx !")).size(),
                                  qsizetype(6), 5000);
        // While a read-back runs the port is open: click Refresh again in every wait cycle.
        QTimer clicker;
        clicker.setInterval(15);
        QObject::connect(&clicker, &QTimer::timeout, [&] {
            if (!guard || !rig.port.PortOpen())
                return;
            waitsClicked.insert(sim.logLinesContaining(QStringLiteral("rx !")).size());
            ++clicks;
            child<QPushButton>(guard, "cmdRefresh")->click();
        });
        clicker.start();
        for (int i = 0; i < 3 && guard; ++i)
            child<QPushButton>(guard, "cmdRefresh")->click();
        clicker.stop();
        QVERIFY(guard);
        QCOMPARE(child<QLineEdit>(guard, "txtAngle")->text(), QStringLiteral("45"));
        QVERIFY(
            child<QLabel>(guard, "StatusBar1")->text().startsWith(QStringLiteral("Refreshed at ")));
    });
    QVERIFY(!rig.port.PortOpen());
    const QStringList texts = rig.boxes.texts();
    // A click before the log showed the first command after the window's own read-back counts
    // as the sixth; it belongs to the seventh.
    waitsClicked.remove(6);
    qInfo("Refresh clicked %d times during %lld waits of 3 read-backs: %lld \"Port already "
          "active\" messages, read-backs complete",
          clicks, qlonglong(waitsClicked.size()), qlonglong(texts.size()));
    // Each read-back waits for "!STOP", the status and four values: every one of those 18 waits
    // was clicked in.
    for (qsizetype wait = 7; wait <= 6 + 3 * 6; ++wait)
        QVERIFY2(waitsClicked.contains(wait), qPrintable(QString::number(wait)));
    QCOMPARE(waitsClicked.size(), qsizetype(3 * 6));
    QCOMPARE(texts.count(QStringLiteral("Port already active")), texts.size());
    QVERIFY(texts.size() >= 1);
    QCOMPARE(sim.logLinesContaining(QStringLiteral("rx !STATUS?")).size(), qsizetype(4));
}

QTEST_MAIN(TestHardClicks)
#include "tst_hard_clicks.moc"
