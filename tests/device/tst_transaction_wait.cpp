// The transaction's wait against the real event loop and clock: it sleeps, it does not spin.
#include "device/CommandTransaction.h"
#include "platform/runtime/QtEventWait.h"
#include "platform/runtime/SystemClock.h"

#include "FakeSerialControl.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <ctime>

class TransactionWaitTest : public QObject
{
    Q_OBJECT

private slots:
    void silentDeviceCostsLittleProcessorTime();
    void arrivingCharactersWakeTheWait();
};

void TransactionWaitTest::silentDeviceCostsLittleProcessorTime()
{
    FakeSerialControl port;
    port.setPortOpen(true);
    QtEventWait wait;
    SystemClock clock;
    CommandTransaction transaction(port, wait, clock);

    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpuStart = std::clock();
    QCOMPARE(transaction.SendCommand(QStringLiteral("!STOP")), QStringLiteral(">>>"));
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const qint64 wallMs = wall.elapsed();

    // Never before the limit. Past it only by a generous margin: a loaded machine may wake the
    // wait late, and this bound is only there to tell a wait that ends from one that runs on.
    QVERIFY2(wallMs >= 2000 && wallMs < 10000, qPrintable(QString::number(wallMs)));
    // A polling loop would take the whole 2 s of one core; processor time is what the wait
    // costs, whatever else the machine runs.
    QVERIFY2(cpuSeconds < 0.2, qPrintable(QString::number(cpuSeconds)));
}

void TransactionWaitTest::arrivingCharactersWakeTheWait()
{
    FakeSerialControl port;
    port.setPortOpen(true);
    QtEventWait wait;
    connect(&port, &SerialControl::inputArrived, &wait, &QtEventWait::interrupt);
    SystemClock clock;
    CommandTransaction transaction(port, wait, clock);

    QTimer::singleShot(100, &port, [&port] { port.deliver("12\r\nOK\r\n"); });
    QElapsedTimer wall;
    wall.start();
    QCOMPARE(transaction.SendCommand(QStringLiteral("!ALARMPHONE?")), QStringLiteral("12"));
    // The reply came 100 ms in; the wait ended with it, well before its 2 s limit. The margin
    // is generous because a loaded machine may run the timer and the wake-up late.
    QVERIFY2(wall.elapsed() < 1500, qPrintable(QString::number(wall.elapsed())));
}

QTEST_GUILESS_MAIN(TransactionWaitTest)
#include "tst_transaction_wait.moc"
