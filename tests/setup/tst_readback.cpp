// The setup window's Load and read-back, over fakes.
#include "SetupRig.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Field = SetupView::Field;

namespace
{
QString now(const SetupRig &rig)
{
    return rig.clock.time.toString(QStringLiteral("HH:mm:ss"));
}
} // namespace

class ReadBackTest : public QObject
{
    Q_OBJECT

private slots:
    void responsiveDeviceFillsTheWindow();
    void silentDeviceMakesTwoStopAttempts();
    void refusedStopIsRepeatedForThreeSecondsThenReadsAnyway();
    void portThatCannotOpen();
    void unansweredQueriesShowTheirResults();
    void refreshWhileAReadBackWaits();
    void setAndListChoicesWhileAReadBackWaitsAreRefused();
    void closingTheWindowDuringEachWait_data();
    void closingTheWindowDuringEachWait();
    void deviceGoneDuringTheStopLoop();
};

void ReadBackTest::responsiveDeviceFillsTheWindow()
{
    SetupRig rig;
    rig.respond();
    rig.port.setRThreshold(1);
    rig.session.Load();

    QCOMPARE(rig.port.RThreshold(), short(0));
    QCOMPARE(rig.written(),
             (QList<QByteArray>{"!STOP\r\n", "!STATUS?\r\n", "!ALARMANGLE?\r\n", "!ALARMPHONE?\r\n",
                                "!RANGE?\r\n", "!HANDSHAKE?\r\n"}));
    QCOMPARE(rig.view.text[Field::Angle], QStringLiteral("45"));
    QCOMPARE(rig.view.text[Field::Number], QStringLiteral("0123456"));
    QCOMPARE(rig.view.text[Field::Range], QStringLiteral("HALF"));
    QCOMPARE(rig.view.text[Field::Handshake], QStringLiteral("NONE"));
    // The status stops at its first "OK" CR LF, and every one of them is removed.
    QCOMPARE(rig.view.statusText, QStringLiteral("Dravelin V2\r\nSelf test "));
    QVERIFY(!rig.view.statusEnabled);
    QCOMPARE(rig.view.statusLine, QString(u"Refreshed at "_s + now(rig)));
    QVERIFY(!rig.view.setVisible[Field::Angle]);
    QVERIFY(!rig.view.setVisible[Field::Number]);
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.session.lastReply(), QStringLiteral("OK"));
    QVERIFY(rig.prompts.messages.isEmpty());
    QVERIFY(!rig.session.busy());
}

void ReadBackTest::silentDeviceMakesTwoStopAttempts()
{
    SetupRig rig;
    const double start = rig.clock.elapsed;
    rig.session.Load();

    QCOMPARE(rig.written(), (QList<QByteArray>{"!STOP\r\n", "!STOP\r\n"}));
    const double took = rig.clock.elapsed - start;
    QVERIFY2(took > 4.0 && took < 4.1, qPrintable(QString::number(took)));
    QCOMPARE(rig.prompts.messages, QStringList{u"Device not responding"_s});
    QCOMPARE(rig.view.statusLine, QString(u"Device not responding at "_s + now(rig)));
    for (const Field field : {Field::Angle, Field::Number, Field::Range, Field::Handshake})
        QCOMPARE(rig.view.text[field], QStringLiteral("UNKNOWN"));
    QVERIFY(rig.session.lastReply().startsWith(u'>'));
    QVERIFY(!rig.port.PortOpen());
    QVERIFY(rig.view.statusEnabled);
}

void ReadBackTest::refusedStopIsRepeatedForThreeSecondsThenReadsAnyway()
{
    SetupRig rig;
    rig.respond();
    rig.wait.rules.first().reply = "ERROR\r\n";
    const double start = rig.clock.elapsed;
    double statusAt = 0;
    rig.wait.onCycle = [&] {
        if (statusAt == 0 && rig.port.writes.last().text == "!STATUS?\r\n")
            statusAt = rig.clock.elapsed - start;
    };
    rig.session.ReadBack();

    const qsizetype stops = rig.written().count("!STOP\r\n");
    QVERIFY2(stops > 20, qPrintable(QString::number(stops)));
    QVERIFY2(statusAt > 3.0 && statusAt < 3.1, qPrintable(QString::number(statusAt)));
    QCOMPARE(rig.session.lastReply(), QStringLiteral("ERROR"));
    QCOMPARE(rig.view.text[Field::Range], QStringLiteral("HALF"));
    QCOMPARE(rig.view.statusLine, QString(u"Refreshed at "_s + now(rig)));
    QVERIFY(rig.prompts.messages.isEmpty());
}

void ReadBackTest::portThatCannotOpen()
{
    SetupRig rig;
    rig.port.setCommPort(3);
    rig.port.absentPorts = {3};
    rig.view.text[Field::Angle] = QStringLiteral("45");
    rig.view.setVisible[Field::Angle] = true;
    rig.session.Load();

    QCOMPARE(rig.prompts.messages, QStringList{u"Cannot open Com port 3"_s});
    QCOMPARE(rig.prompts.details, QStringList{rig.port.absentReason});
    QCOMPARE(rig.view.statusLine, QString(u"Cannot open Com port "_s + now(rig)));
    QVERIFY(rig.port.writes.isEmpty());
    QCOMPARE(rig.view.text[Field::Angle], QStringLiteral("45"));
    QVERIFY(!rig.view.setVisible[Field::Angle]);
    QVERIFY(!rig.session.busy());
}

void ReadBackTest::unansweredQueriesShowTheirResults()
{
    SetupRig rig;
    rig.answer("!STOP", "OK\r\n");
    rig.answer("!STATUS?", "OK\r\n");
    rig.answer("!ALARMANGLE?", "ERROR\r\n");
    rig.answer("!ALARMPHONE?", "12");
    rig.session.ReadBack();

    QCOMPARE(rig.view.text[Field::Angle], QStringLiteral("ERROR"));
    QCOMPARE(rig.view.text[Field::Number], QStringLiteral(">>>12"));
    QCOMPARE(rig.view.text[Field::Range], QStringLiteral(">>>"));
    QCOMPARE(rig.view.text[Field::Handshake], QStringLiteral(">>>"));
    QCOMPARE(rig.view.statusLine, QString(u"Refreshed at "_s + now(rig)));
    QVERIFY(rig.prompts.messages.isEmpty());
    QVERIFY(!rig.port.PortOpen());
}

void ReadBackTest::refreshWhileAReadBackWaits()
{
    SetupRig rig;
    rig.respond();
    rig.wait.onCycle = [&] {
        if (rig.wait.cycles == 2 || rig.wait.cycles == 20)
            rig.session.ReadBack();
    };
    rig.session.ReadBack();

    QCOMPARE(rig.prompts.messages,
             (QStringList{u"Port already active"_s, u"Port already active"_s}));
    QCOMPARE(rig.written().size(), 6);
    QCOMPARE(rig.view.statusLine, QString(u"Refreshed at "_s + now(rig)));
}

void ReadBackTest::setAndListChoicesWhileAReadBackWaitsAreRefused()
{
    SetupRig rig;
    rig.respond();
    rig.view.text[Field::Angle] = QStringLiteral("30");
    rig.wait.onCycle = [&] {
        if (rig.wait.cycles != 3)
            return;
        rig.session.cmdAngleClicked();
        rig.session.cmdNumberClicked();
        // The user picked HALF over FULL; the pick is refused and FULL comes back.
        rig.view.text[Field::Range] = QStringLiteral("HALF");
        rig.session.cboRangeChosen(QStringLiteral("FULL"));
        QCOMPARE(rig.view.text[Field::Range], QStringLiteral("FULL"));
        rig.view.text[Field::Handshake] = QStringLiteral("NONE");
        rig.session.cboHandshakeChosen(QStringLiteral("UNKNOWN"));
        QCOMPARE(rig.view.text[Field::Handshake], QStringLiteral("UNKNOWN"));
    };
    rig.session.ReadBack();

    QCOMPARE(rig.prompts.beeps, 4);
    QCOMPARE(rig.written().size(), 6);
    QVERIFY(!rig.port.written().contains("="));
    QCOMPARE(rig.view.statusLine, QString(u"Refreshed at "_s + now(rig)));
}

void ReadBackTest::closingTheWindowDuringEachWait_data()
{
    QTest::addColumn<QByteArray>("closeDuring");
    QTest::newRow("stop") << QByteArray("!STOP\r\n");
    QTest::newRow("status") << QByteArray("!STATUS?\r\n");
    QTest::newRow("angle query") << QByteArray("!ALARMANGLE?\r\n");
    QTest::newRow("handshake query") << QByteArray("!HANDSHAKE?\r\n");
}

void ReadBackTest::closingTheWindowDuringEachWait()
{
    QFETCH(QByteArray, closeDuring);
    SetupRig rig;
    rig.respond();
    int viewCallsAtClose = -1;
    double closedAt = 0;
    rig.wait.onCycle = [&] {
        if (viewCallsAtClose < 0 && rig.port.writes.last().text == closeDuring) {
            rig.session.windowClosing();
            viewCallsAtClose = rig.view.calls;
            closedAt = rig.clock.elapsed;
        }
    };
    rig.session.ReadBack();

    QVERIFY(viewCallsAtClose >= 0);
    QCOMPARE(rig.view.calls, viewCallsAtClose);
    QCOMPARE(rig.written().last(), closeDuring);
    QVERIFY(!rig.port.PortOpen());
    QVERIFY(rig.wait.interrupts >= 1);
    QVERIFY(rig.clock.elapsed - closedAt < 0.05);
    QVERIFY(rig.prompts.messages.isEmpty());
    QVERIFY(!rig.session.busy());

    // Nothing of the closed window runs any more.
    rig.session.ReadBack();
    rig.session.cmdAngleClicked();
    rig.session.cboRangeChosen(QStringLiteral("FULL"));
    QCOMPARE(rig.written().last(), closeDuring);
    QCOMPARE(rig.view.calls, viewCallsAtClose);
}

void ReadBackTest::deviceGoneDuringTheStopLoop()
{
    SetupRig rig;
    const double start = rig.clock.elapsed;
    rig.wait.onCycle = [&] {
        if (rig.wait.cycles == 10)
            rig.port.hangUp();
    };
    rig.session.ReadBack();

    QVERIFY(rig.clock.elapsed - start < 0.5);
    QCOMPARE(rig.written(), QList<QByteArray>{"!STOP\r\n"});
    QCOMPARE(rig.port.writesWhileClosed, 0);
    QCOMPARE(rig.prompts.messages, QStringList{u"Device not responding"_s});
    QCOMPARE(rig.view.statusLine, QString(u"Device not responding at "_s + now(rig)));
}

QTEST_GUILESS_MAIN(ReadBackTest)
#include "tst_readback.moc"
