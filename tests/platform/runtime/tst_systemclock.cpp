// The system clock's local time: the same as Qt's own, and following a change of time zone
// within a second.
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
        QVERIFY2(std::abs(now.time().msecsTo(after.time())) < 1000, tz);
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
    // By the next second at the latest, as at a zone's own transition.
    QTest::qWait(1100);
    QCOMPARE(clock.now().offsetFromUtc(), -3 * 3600);
    QCOMPARE(clock.now().time().hour(),
             QDateTime::currentDateTimeUtc().addSecs(-3 * 3600).time().hour());
}

QTEST_GUILESS_MAIN(TestSystemClock)
#include "tst_systemclock.moc"
