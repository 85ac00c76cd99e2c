// The system clock's local time: the same instant as Qt's own, in the zone's local time, and
// following a change of time zone.
#include "platform/runtime/SystemClock.h"

#include <QtTest>
#include <ctime>

class TestSystemClock : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void nowIsTheLocalTimeWithItsOffset();
    void followsAChangeOfZone();

private:
    void setZone(const char *tz);
};

void TestSystemClock::setZone(const char *tz)
{
    qputenv("TZ", tz);
    tzset();
}

void TestSystemClock::cleanup()
{
    qunsetenv("TZ");
    tzset();
}

void TestSystemClock::nowIsTheLocalTimeWithItsOffset()
{
    for (const char *tz : {"UTC0", "XST-5:30", "YST+8"}) {
        setZone(tz);
        const SystemClock clock;
        const QDateTime before = QDateTime::currentDateTime();
        const QDateTime now = clock.now();
        const QDateTime after = QDateTime::currentDateTime();
        QVERIFY2(now >= before.addMSecs(-1) && now <= after.addMSecs(1), tz);
        QCOMPARE(now.offsetFromUtc(), after.offsetFromUtc());
        // The local date and time Qt gives for the same instant, whatever midnight or hour
        // passed between the calls.
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(now.toMSecsSinceEpoch());
        QCOMPARE(now.date(), local.date());
        QCOMPARE(now.time(), local.time());
    }
    setZone("XST-5:30");
    QCOMPARE(SystemClock().now().offsetFromUtc(), 5 * 3600 + 30 * 60);
}

void TestSystemClock::followsAChangeOfZone()
{
    setZone("XST-2");
    const SystemClock clock;
    QCOMPARE(clock.now().offsetFromUtc(), 2 * 3600);
    setZone("YST+3");
    // The offset is looked up again for each new second, as at a zone's own transition: the
    // next one shows it, however late this thread gets to ask.
    QTRY_COMPARE_WITH_TIMEOUT(clock.now().offsetFromUtc(), -3 * 3600, 5000);
    const QDateTime now = clock.now();
    QCOMPARE(now.offsetFromUtc(), -3 * 3600);
    QCOMPARE(now.time(), QDateTime::fromMSecsSinceEpoch(now.toMSecsSinceEpoch()).time());
}

QTEST_GUILESS_MAIN(TestSystemClock)
#include "tst_systemclock.moc"
