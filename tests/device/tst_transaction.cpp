#include "device/CommandTransaction.h"
#include "device/ReplyClassifier.h"

#include "FakeClock.h"
#include "FakeEventWait.h"
#include "FakeSerialControl.h"

#include <QTest>

namespace
{

struct Rig {
    Rig() { port.setPortOpen(true); }
    FakeClock clock;
    FakeSerialControl port;
    FakeEventWait wait{clock, port};
    CommandTransaction transaction{port, wait, clock};
};

struct Piece {
    double at;
    QByteArray bytes;
};

} // namespace

Q_DECLARE_METATYPE(QList<Piece>)

class TransactionTest : public QObject
{
    Q_OBJECT

private slots:
    void classifiesTheAccumulatedText_data();
    void classifiesTheAccumulatedText();
    void repliesInPiecesOverTime_data();
    void repliesInPiecesOverTime();
    void skippingIdleCyclesChangesNothing_data() { repliesInPiecesOverTime_data(); }
    void skippingIdleCyclesChangesNothing();
    void writesOnceAfterEmptyingTheInput();
    void aReplyCompletingInTheLastCycleIsTaken();
    void endsEarlyWhenThePortClosesUnderIt();
    void cancelEndsTheWaitAndRefusesLaterCommands();
    void aSecondCommandDuringAWaitIsRefused();
    void statusReplyKeepsEarlierInputAndStopsAtOk();
};

void TransactionTest::classifiesTheAccumulatedText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("result");

    const int incomplete = ReplyVerdict::Incomplete;
    QTest::newRow("nothing") << QByteArray() << incomplete << QString();
    QTest::newRow("ack") << QByteArray("OK\r\n") << int(ReplyVerdict::Acknowledged) << "OK";
    QTest::newRow("named value") << QByteArray("RANGE=FULL\r\nOK\r\n") << int(ReplyVerdict::Value)
                                 << "FULL";
    QTest::newRow("bare value") << QByteArray("12\r\nOK\r\n") << int(ReplyVerdict::Value) << "12";
    QTest::newRow("first equals") << QByteArray("A=B=C\r\nOK\r\n") << int(ReplyVerdict::Value)
                                  << "B=C";
    QTest::newRow("empty value") << QByteArray("RANGE=\r\nOK\r\n") << int(ReplyVerdict::Value)
                                 << "";
    QTest::newRow("value ending in OK")
        << QByteArray("MODE=BOOK\r\nOK\r\n") << int(ReplyVerdict::Value) << "";
    // Whatever two characters end the value line are dropped.
    QTest::newRow("odd line end") << QByteArray("12xyOK\r\n") << int(ReplyVerdict::Value) << "12";
    QTest::newRow("empty value line") << QByteArray("\r\nOK\r\n") << incomplete << QString();
    QTest::newRow("empty line then refusal")
        << QByteArray("\r\nOK\r\nERROR\r\n") << int(ReplyVerdict::Refused) << "ERROR";
    // The whole kept text is the value when it has no "=", an earlier refusal included.
    QTest::newRow("value wins over refusal")
        << QByteArray("ERROR\r\n12\r\nOK\r\n") << int(ReplyVerdict::Value) << "ERROR\r\n12";
    QTest::newRow("refusal") << QByteArray("ERROR\r\n") << int(ReplyVerdict::Refused) << "ERROR";
}

void TransactionTest::classifiesTheAccumulatedText()
{
    QFETCH(QByteArray, text);
    QFETCH(int, kind);
    QFETCH(QString, result);
    const ReplyVerdict verdict = classifyReply(text);
    QCOMPARE(int(verdict.kind), kind);
    if (verdict.isComplete())
        QCOMPARE(verdict.result, result);
}

void TransactionTest::repliesInPiecesOverTime_data()
{
    QTest::addColumn<QList<Piece>>("pieces");
    QTest::addColumn<QString>("result");
    // The transaction's length in seconds: at least and at most.
    QTest::addColumn<double>("minSeconds");
    QTest::addColumn<double>("maxSeconds");

    QTest::newRow("ack in pieces")
        << QList<Piece>{{0.1, "O"}, {0.3, "K\r"}, {0.5, "\n"}} << "OK" << 0.5 << 0.52;
    QTest::newRow("value in pieces")
        << QList<Piece>{{0.1, "RANGE=FU"}, {0.2, "LL\r\nO"}, {0.3, "K\r\n"}} << "FULL" << 0.3
        << 0.32;
    QTest::newRow("empty value line times out")
        << QList<Piece>{{0.1, "\r\nOK\r\n"}} << ">>>\r\nOK\r\n"
        << 2.0 << 2.02;
    QTest::newRow("small letters time out") << QList<Piece>{{0.1, "ok\r\n"}} << ">>>ok\r\n"
                                            << 2.0 << 2.02;
    QTest::newRow("no line end times out") << QList<Piece>{{0.1, "OK"}} << ">>>OK" << 2.0 << 2.02;
    QTest::newRow("refusal after text")
        << QList<Piece>{{0.1, "RANGE=FULL\r\n"}, {0.2, "ERROR\r\n"}} << "ERROR" << 0.2 << 0.22;
    QTest::newRow("silence") << QList<Piece>{} << ">>>" << 2.0 << 2.02;
    QTest::newRow("too late") << QList<Piece>{{2.5, "OK\r\n"}} << ">>>" << 2.0 << 2.02;
}

void TransactionTest::repliesInPiecesOverTime()
{
    QFETCH(QList<Piece>, pieces);
    QFETCH(QString, result);
    QFETCH(double, minSeconds);
    QFETCH(double, maxSeconds);

    Rig rig;
    for (const Piece &piece : pieces)
        rig.wait.deliverAfter(piece.at, piece.bytes);
    const double start = rig.clock.elapsed;
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!RANGE?")), result);
    const double took = rig.clock.elapsed - start;
    QVERIFY2(took > minSeconds - 1e-9 && took < maxSeconds + 1e-9,
             qPrintable(QString::number(took)));
    QVERIFY(!rig.transaction.busy());
}

// The fake wait's skipping of idle cycles, which the reply fuzz target uses, ends every exchange
// with the same result, on the same clock reading and after as many cycles as stepping does.
void TransactionTest::skippingIdleCyclesChangesNothing()
{
    QFETCH(QList<Piece>, pieces);
    for (const bool status : {false, true}) {
        Rig stepping;
        Rig skipping;
        for (Rig *rig : {&stepping, &skipping}) {
            for (const Piece &piece : pieces)
                rig->wait.deliverAfter(piece.at, piece.bytes);
        }
        const double limit =
            status ? CommandTransaction::StatusLimit : CommandTransaction::ReplyLimit;
        skipping.wait.skipIdleCycles(skipping.clock.elapsed, limit);
        if (status) {
            QCOMPARE(skipping.transaction.ReadStatusReply(),
                     stepping.transaction.ReadStatusReply());
        } else {
            QCOMPARE(skipping.transaction.SendCommand(QStringLiteral("!RANGE?")),
                     stepping.transaction.SendCommand(QStringLiteral("!RANGE?")));
        }
        QVERIFY(skipping.clock.elapsed == stepping.clock.elapsed); // exactly, not fuzzily
        QCOMPARE(skipping.clock.time, stepping.clock.time);
        QCOMPARE(skipping.wait.cycles, stepping.wait.cycles);
    }
}

void TransactionTest::writesOnceAfterEmptyingTheInput()
{
    Rig rig;
    // An acknowledgement left over from earlier must not answer this command.
    rig.port.deliver("OK\r\n");
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!ALARMANGLE=05")), QStringLiteral(">>>"));
    QCOMPARE(rig.port.writes.size(), 1);
    QCOMPARE(rig.port.writes.first().text, QByteArray("!ALARMANGLE=05\r\n"));
}

void TransactionTest::aReplyCompletingInTheLastCycleIsTaken()
{
    // Cycles of 15 ms pass 2 s at 2.010; a reply arriving within that cycle still counts.
    Rig rig;
    rig.wait.deliverAfter(2.005, "OK\r\n");
    const double start = rig.clock.elapsed;
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!STOP")), QStringLiteral("OK"));
    QVERIFY(rig.clock.elapsed - start > CommandTransaction::ReplyLimit);
}

void TransactionTest::endsEarlyWhenThePortClosesUnderIt()
{
    Rig rig;
    rig.wait.deliverAfter(0.1, "RANGE=");
    const double start = rig.clock.elapsed;
    rig.wait.onCycle = [&] {
        if (rig.clock.elapsed - start > 0.3)
            rig.port.hangUp();
    };
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!RANGE?")), QStringLiteral(">>>RANGE="));
    QVERIFY(rig.clock.elapsed - start < 0.35);
    rig.wait.onCycle = nullptr;
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!HANDSHAKE?")), QStringLiteral(">>>"));
    QCOMPARE(rig.port.writes.size(), 1);
    QCOMPARE(rig.port.writesWhileClosed, 0);
}

void TransactionTest::cancelEndsTheWaitAndRefusesLaterCommands()
{
    Rig rig;
    const double start = rig.clock.elapsed;
    rig.wait.onCycle = [&] {
        if (rig.wait.cycles == 3)
            rig.transaction.cancel();
    };
    QVERIFY(rig.transaction.SendCommand(QStringLiteral("!STOP")).startsWith(u'>'));
    QVERIFY(rig.clock.elapsed - start < 0.1);
    QCOMPARE(rig.wait.interrupts, 1);
    QVERIFY(rig.transaction.cancelled());
    QVERIFY(rig.transaction.SendCommand(QStringLiteral("!RANGE?")).startsWith(u'>'));
    QVERIFY(rig.transaction.ReadStatusReply().isEmpty());
    QCOMPARE(rig.port.writes.size(), 1);
}

void TransactionTest::aSecondCommandDuringAWaitIsRefused()
{
    Rig rig;
    rig.wait.rules = {{"!RANGE?\r\n", "RANGE=HALF\r\nOK\r\n", 0.2}};
    QString nested;
    rig.wait.onCycle = [&] {
        if (rig.wait.cycles == 2)
            nested = rig.transaction.SendCommand(QStringLiteral("!HANDSHAKE=NONE"));
    };
    QCOMPARE(rig.transaction.SendCommand(QStringLiteral("!RANGE?")), QStringLiteral("HALF"));
    QCOMPARE(nested, QStringLiteral(">>>"));
    QCOMPARE(rig.port.writes.size(), 1);
}

void TransactionTest::statusReplyKeepsEarlierInputAndStopsAtOk()
{
    Rig rig;
    rig.port.deliver("late\r\n");
    rig.wait.rules = {{"!STATUS?\r\n", "Dravelin\r\nOK\r\n", 0.2}};
    QCOMPARE(rig.transaction.ReadStatusReply(), QByteArray("late\r\nDravelin\r\nOK\r\n"));
    QCOMPARE(rig.port.written(), QByteArray("!STATUS?\r\n"));
}

QTEST_GUILESS_MAIN(TransactionTest)
#include "tst_transaction.moc"
