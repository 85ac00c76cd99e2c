// The four handlers that set a parameter, over fakes.
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

// Runs the handler of `field` as the user would: a click on its Set button or a pick in its list.
void trigger(SetupRig &rig, Field field, const QString &previousText = QString())
{
    switch (field) {
    case Field::Angle:
        rig.session.cmdAngleClicked();
        break;
    case Field::Number:
        rig.session.cmdNumberClicked();
        break;
    case Field::Range:
        rig.session.cboRangeChosen(previousText);
        break;
    case Field::Handshake:
        rig.session.cboHandshakeChosen(previousText);
        break;
    }
}
} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void acknowledged_data();
    void acknowledged();
    void refused_data();
    void refused();
    void noReply_data();
    void noReply();
    void badInputBeepsAndSendsNothing_data();
    void badInputBeepsAndSendsNothing();
    void portThatCannotOpenLeavesWorking();
    void secondActionWhileOneWaitsIsRefused();
};

void SettingsTest::acknowledged_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");

    QTest::newRow("angle") << int(Field::Angle) << "5" << QByteArray("!ALARMANGLE=05") << "05"
                           << "Alarm Angle Changed at ";
    QTest::newRow("angle with blanks")
        << int(Field::Angle) << " 7 " << QByteArray("!ALARMANGLE=07") << "07"
        << "Alarm Angle Changed at ";
    QTest::newRow("angle rounds up")
        << int(Field::Angle) << "89.6" << QByteArray("!ALARMANGLE=90") << "90"
        << "Alarm Angle Changed at ";
    QTest::newRow("phone") << int(Field::Number) << " 012 " << QByteArray("!ALARMPHONE=012")
                           << "012"
                           << "Phone Number Changed at ";
    // A list's text is sent without its blanks but not rewritten.
    QTest::newRow("range") << int(Field::Range) << " HALF " << QByteArray("!RANGE=HALF") << " HALF "
                           << "Output Range Changed at ";
    QTest::newRow("handshake") << int(Field::Handshake) << "HARDWARE"
                               << QByteArray("!HANDSHAKE=HARDWARE") << "HARDWARE"
                               << "Handshake Method Changed at ";
}

void SettingsTest::acknowledged()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QByteArray, command);
    QFETCH(QString, shown);
    QFETCH(QString, message);

    SetupRig rig;
    const Field f = Field(field);
    rig.view.setFieldText(f, typed);
    rig.answer(command, "OK\r\n");
    trigger(rig, f);

    QCOMPARE(rig.written(), QList<QByteArray>{command + "\r\n"});
    QCOMPARE(rig.view.text[f], shown);
    QCOMPARE(rig.view.statusLine, message + now(rig));
    QCOMPARE(rig.session.lastReply(), QStringLiteral("OK"));
    QVERIFY(!rig.view.setVisible.value(f));
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.port.opens, 1);
    QVERIFY(rig.prompts.messages.isEmpty());
    QCOMPARE(rig.prompts.beeps, 0);
}

void SettingsTest::refused_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");

    QTest::newRow("angle") << int(Field::Angle) << "45" << QByteArray("!ALARMANGLE=45")
                           << QByteArray("ERROR\r\n") << "ERROR setting Alarm Angle at ";
    QTest::newRow("phone answered with a value")
        << int(Field::Number) << "12" << QByteArray("!ALARMPHONE=12") << QByteArray("X=1\r\nOK\r\n")
        << "ERROR setting Phone Number at ";
    QTest::newRow("range") << int(Field::Range) << "HALF" << QByteArray("!RANGE=HALF")
                           << QByteArray("ERROR\r\n") << "ERROR setting Output Range at ";
    QTest::newRow("handshake") << int(Field::Handshake) << "NONE" << QByteArray("!HANDSHAKE=NONE")
                               << QByteArray("ERROR\r\n") << "ERROR setting Handshake Method at ";
}

void SettingsTest::refused()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);

    SetupRig rig;
    const Field f = Field(field);
    rig.view.setFieldText(f, typed);
    rig.answer(command, reply);
    trigger(rig, f);

    QCOMPARE(rig.written(), QList<QByteArray>{command + "\r\n"});
    QCOMPARE(rig.view.statusLine, message + now(rig));
    QCOMPARE(rig.view.text[f], QStringLiteral("UNKNOWN"));
    if (f == Field::Angle || f == Field::Number)
        QVERIFY(rig.view.setVisible[f]);
    QVERIFY(!rig.port.PortOpen());
    QVERIFY(rig.prompts.messages.isEmpty());
}

void SettingsTest::noReply_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");

    // Text boxes keep the value that was not confirmed; lists show "UNKNOWN".
    QTest::newRow("angle") << int(Field::Angle) << "7.6"
                           << "08";
    QTest::newRow("phone") << int(Field::Number) << "12"
                           << "12";
    QTest::newRow("range") << int(Field::Range) << "HALF"
                           << "UNKNOWN";
    QTest::newRow("handshake") << int(Field::Handshake) << "NONE"
                               << "UNKNOWN";
}

void SettingsTest::noReply()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);

    SetupRig rig;
    const Field f = Field(field);
    rig.view.setFieldText(f, typed);
    QString statusDuringMessage;
    bool portOpenDuringMessage = false;
    rig.prompts.onMessage = [&](const QString &) {
        statusDuringMessage = rig.view.statusLine;
        portOpenDuringMessage = rig.port.PortOpen();
    };
    const double start = rig.clock.elapsed;
    trigger(rig, f);

    const double took = rig.clock.elapsed - start;
    QVERIFY(took > 2.0 && took < 2.05);
    QCOMPARE(rig.prompts.messages, QStringList{u"Device not responding"_s});
    QCOMPARE(statusDuringMessage, QStringLiteral("Working. Please wait..."));
    QVERIFY(portOpenDuringMessage);
    QCOMPARE(rig.view.statusLine, QString(u"Device not responding at "_s + now(rig)));
    QCOMPARE(rig.view.text[f], shown);
    if (f == Field::Angle || f == Field::Number)
        QVERIFY(rig.view.setVisible[f]);
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.session.lastReply(), QStringLiteral(">>>"));
}

void SettingsTest::badInputBeepsAndSendsNothing_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    for (const char *text : {"", "UNKNOWN", "abc", "90.4", "-1", "1 2"})
        QTest::addRow("angle '%s'", text) << int(Field::Angle) << QString::fromLatin1(text);
    for (const char *text : {"", "UNKNOWN", "-5", "12 34", "-0"})
        QTest::addRow("phone '%s'", text) << int(Field::Number) << QString::fromLatin1(text);
}

void SettingsTest::badInputBeepsAndSendsNothing()
{
    QFETCH(int, field);
    QFETCH(QString, typed);

    SetupRig rig;
    const Field f = Field(field);
    rig.view.setFieldText(f, typed);
    rig.view.statusLine = QStringLiteral("Refreshed at 11:00:00");
    trigger(rig, f);

    QCOMPARE(rig.prompts.beeps, 1);
    QCOMPARE(rig.view.focused, QList<Field>{f});
    QCOMPARE(rig.view.text[f], typed);
    QCOMPARE(rig.view.statusLine, QStringLiteral("Refreshed at 11:00:00"));
    QCOMPARE(rig.opener.calls, 0);
    QVERIFY(rig.port.writes.isEmpty());
}

void SettingsTest::portThatCannotOpenLeavesWorking()
{
    SetupRig rig;
    rig.port.setCommPort(4);
    rig.port.absentPorts = {4};
    rig.view.setFieldText(Field::Angle, QStringLiteral("45"));
    rig.session.cmdAngleClicked();

    QCOMPARE(rig.prompts.messages, QStringList{u"Cannot open Com port 4"_s});
    QCOMPARE(rig.prompts.details, QStringList{rig.port.absentReason});
    QCOMPARE(rig.view.statusLine, QStringLiteral("Working. Please wait..."));
    QVERIFY(rig.port.writes.isEmpty());
    QVERIFY(rig.view.setVisible[Field::Angle]);
    QVERIFY(!rig.session.busy());
}

void SettingsTest::secondActionWhileOneWaitsIsRefused()
{
    SetupRig rig;
    rig.view.setFieldText(Field::Angle, QStringLiteral("45"));
    rig.view.setFieldText(Field::Number, QStringLiteral("12"));
    rig.view.setFieldText(Field::Range, QStringLiteral("FULL"));
    rig.answer("!ALARMANGLE=45", "OK\r\n");
    rig.wait.rules.first().delay = 0.5;
    rig.wait.onCycle = [&] {
        if (rig.wait.cycles != 5)
            return;
        rig.session.cmdNumberClicked();
        rig.session.cmdAngleClicked();
        rig.view.text[Field::Range] = QStringLiteral("HALF");
        rig.session.cboRangeChosen(QStringLiteral("FULL"));
        rig.session.ReadBack();
    };
    rig.session.cmdAngleClicked();

    QCOMPARE(rig.written(), QList<QByteArray>{"!ALARMANGLE=45\r\n"});
    QCOMPARE(rig.prompts.beeps, 3);
    QCOMPARE(rig.prompts.messages, QStringList{u"Port already active"_s});
    QCOMPARE(rig.view.text[Field::Range], QStringLiteral("FULL"));
    QCOMPARE(rig.view.text[Field::Number], QStringLiteral("12"));
    QCOMPARE(rig.view.statusLine, QString(u"Alarm Angle Changed at "_s + now(rig)));
    QVERIFY(!rig.port.PortOpen());

    // Once the first has finished, the next one runs.
    rig.answer("!ALARMPHONE=12", "OK\r\n");
    rig.wait.onCycle = nullptr;
    rig.session.cmdNumberClicked();
    QCOMPARE(rig.written().last(), QByteArray("!ALARMPHONE=12\r\n"));
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
