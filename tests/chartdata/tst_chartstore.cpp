#include "chartdata/ChartStore.h"
#include "chartdata/ChartTime.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

using namespace Qt::StringLiterals;

namespace
{

constexpr double Second = 1.0 / 86400.0;

struct Point {
    double x;
    double y;
};

// Brute-force extent of the points with x0 <= X < x1.
SeriesExtent bruteExtent(const std::vector<Point> &points, double x0, double x1)
{
    SeriesExtent e;
    for (const Point &p : points) {
        if (p.x < x0 || p.x >= x1)
            continue;
        if (e.empty) {
            e = {false, p.x, p.x, p.y, p.y, p.y, p.y};
        } else {
            e.lastX = p.x;
            e.last = p.y;
            e.lo = std::min(e.lo, p.y);
            e.hi = std::max(e.hi, p.y);
        }
    }
    return e;
}

} // namespace

class TestChartStore : public QObject
{
    Q_OBJECT

private slots:
    void emptyStoreReadsZero();
    void valueAtCursorHoldsTheLastPoint();
    void yIsKeptExactly();
    void tracesAreSeparate_data();
    void tracesAreSeparate();
    void smallStepBackIsHeld();
    void timesOfDayBecomeInstants_data();
    void timesOfDayBecomeInstants();
    void extentAgreesWithBruteForce();
    void clearFreesEverything();
    void thinningSparesTheLastDay();
    void memoryStaysBoundedOverManyDays();
};

void TestChartStore::emptyStoreReadsZero()
{
    ChartStore store;
    QVERIFY(store.isEmpty());
    QCOMPARE(store.valueAt(0, 0.5), 0.0);
    QCOMPARE(store.valueAt(1, 0.5), 0.0);
    QVERIFY(store.trace(0).extent(0, 1).empty);
}

void TestChartStore::valueAtCursorHoldsTheLastPoint()
{
    ChartStore store;
    // Three points in second 100, one in second 102.
    store.append(0, 100 * Second, 1.0);
    store.append(0, 100 * Second, 2.0);
    store.append(0, 100 * Second, 3.0);
    store.append(0, 102 * Second, 4.0);

    QCOMPARE(store.valueAt(0, 50 * Second), 1.0);    // before the first: the first point
    QCOMPARE(store.valueAt(0, 100 * Second), 3.0);   // the last point of that second
    QCOMPARE(store.valueAt(0, 101.5 * Second), 3.0); // between: the point before
    QCOMPARE(store.valueAt(0, 102 * Second), 4.0);
    QCOMPARE(store.valueAt(0, 0.9), 4.0); // after the last: the last
    QCOMPARE(store.valueAt(1, 100 * Second), 0.0);
    QCOMPARE(store.valueAt(7, 100 * Second), 0.0);
}

void TestChartStore::yIsKeptExactly()
{
    ChartStore store;
    const double values[] = {1.05, -3.25, 359.96, 0.1 + 0.2, 1e-300, 12345678.901};
    for (int i = 0; i < 6; ++i)
        store.append(0, (10 + i) * Second, values[i]);
    for (int i = 0; i < 6; ++i)
        QVERIFY2(store.valueAt(0, (10 + i) * Second) == values[i], qPrintable(QString::number(i)));
}

void TestChartStore::tracesAreSeparate_data()
{
    QTest::addColumn<int>("badTrace");
    QTest::newRow("negative") << -1;
    QTest::newRow("two") << 2;
}

void TestChartStore::tracesAreSeparate()
{
    QFETCH(int, badTrace);
    ChartStore store;
    store.append(0, 0.25, 10);
    store.append(1, 0.25, 20);
    store.append(badTrace, 0.3, 99);
    store.append(0, 0.3, std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(store.valueAt(0, 0.5), 10.0);
    QCOMPARE(store.valueAt(1, 0.5), 20.0);
    QCOMPARE(store.trace(0).liveCount(), std::uint64_t(1));
    QCOMPARE(store.newestX(), 0.25);
}

void TestChartStore::smallStepBackIsHeld()
{
    ChartStore store;
    store.append(0, 0.5, 1);
    store.append(0, 0.5 - 60 * Second, 2); // a point a minute back: held at 0.5
    QCOMPARE(store.newestX(), 0.5);
    QCOMPARE(store.valueAt(0, 0.5), 2.0);
    store.append(0, 0.6, 3);
    QCOMPARE(store.valueAt(0, 0.55), 2.0);
}

// Berlin local times ("2026-10-25 02:30:00+01:00") as the instants they name.
using Stamps = QList<QString>;

QDateTime localStamp(const QString &text)
{
    const QDateTime t = QDateTime::fromString(text.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const int offset = text.mid(20, 2).toInt() * 3600 * (text.at(19) == u'-' ? -1 : 1);
    return QDateTime(t.date(), t.time(), QTimeZone(offset));
}

// Points stamped with the clock's local time of day (in whole seconds) and handled lateMs
// later, and the instants and offsets they must land on.
void TestChartStore::timesOfDayBecomeInstants_data()
{
    QTest::addColumn<Stamps>("stamps");
    QTest::addColumn<int>("lateMs");
    QTest::addColumn<Stamps>("placed");
    const Stamps midnight = {u"2026-12-07 23:59:59+01:00"_s, u"2026-12-08 00:00:00+01:00"_s,
                             u"2026-12-08 00:00:01+01:00"_s};
    QTest::newRow("through midnight") << midnight << 300 << midnight;
    const Stamps autumn = {u"2026-10-25 02:59:59+02:00"_s, u"2026-10-25 02:00:00+01:00"_s,
                           u"2026-10-25 02:00:01+01:00"_s, u"2026-10-25 02:59:59+01:00"_s,
                           u"2026-10-25 03:00:00+01:00"_s};
    QTest::newRow("autumn: the hour twice") << autumn << 300 << autumn;
    const Stamps spring = {u"2026-03-29 01:59:58+01:00"_s, u"2026-03-29 01:59:59+01:00"_s,
                           u"2026-03-29 03:00:00+02:00"_s};
    QTest::newRow("spring: an hour skipped") << spring << 300 << spring;
    QTest::newRow("stamped before midnight, handled after")
        << Stamps{u"2026-12-07 23:59:59+01:00"_s} << 1300 << Stamps{u"2026-12-07 23:59:59+01:00"_s};
    QTest::newRow("a clock set back a minute is held")
        << Stamps{u"2026-12-07 10:01:00+01:00"_s, u"2026-12-07 10:00:00+01:00"_s} << 300
        << Stamps{u"2026-12-07 10:01:00+01:00"_s, u"2026-12-07 10:01:00+01:00"_s};
}

void TestChartStore::timesOfDayBecomeInstants()
{
    QFETCH(Stamps, stamps);
    QFETCH(int, lateMs);
    QFETCH(Stamps, placed);
    TimeOfDayResolver resolver;
    for (qsizetype i = 0; i < stamps.size(); ++i) {
        const QDateTime stamp = localStamp(stamps[i]);
        const QDateTime now = stamp.addMSecs(lateMs);
        const double tod = stamp.time().msecsSinceStartOfDay() / 86400000.0;
        const TimeOfDayResolver::Instant at = resolver.resolve(tod, [&] { return now; });
        const QDateTime want = localStamp(placed[i]);
        QCOMPARE(ChartTime::toDateTime(at.x, at.offsetSeconds), want);
        QCOMPARE(at.offsetSeconds, want.offsetFromUtc());
    }
}

void TestChartStore::extentAgreesWithBruteForce()
{
    // Enough points for several chunks, with runs of equal X of random length.
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> runLength(1, 150);
    std::uniform_int_distribution<int> gap(1, 3);
    std::normal_distribution<double> noise(0, 5);
    ChartStore store;
    std::vector<Point> points;
    int second = 1000;
    double y = 0;
    while (points.size() < 3 * TraceSeries::ChunkSize + 777) {
        const int n = runLength(rng);
        for (int k = 0; k < n; ++k) {
            y += noise(rng);
            points.push_back({second * Second, y});
            store.append(0, second * Second, y);
        }
        second += gap(rng);
    }
    const TraceSeries &trace = store.trace(0);
    QCOMPARE(trace.liveCount(), std::uint64_t(points.size()));

    std::uniform_int_distribution<int> pick(990, second + 10);
    for (int i = 0; i < 400; ++i) {
        int a = pick(rng);
        int b = pick(rng);
        if (a > b)
            std::swap(a, b);
        // Half the spans are short, so partial blocks at both ends get exercised.
        if (i % 2)
            b = a + i % 40;
        const double x0 = a * Second;
        const double x1 = b * Second;
        const SeriesExtent want = bruteExtent(points, x0, x1);
        const SeriesExtent got = trace.extent(x0, x1);
        QCOMPARE(got.empty, want.empty);
        if (want.empty)
            continue;
        QCOMPARE(got.lo, want.lo);
        QCOMPARE(got.hi, want.hi);
        QCOMPARE(got.first, want.first);
        QCOMPARE(got.last, want.last);
        QCOMPARE(got.firstX, want.firstX);
        QCOMPARE(got.lastX, want.lastX);
    }
    const SeriesExtent all = trace.extent(0, 1);
    const auto [lo, hi] = std::minmax_element(
        points.begin(), points.end(), [](const Point &p, const Point &q) { return p.y < q.y; });
    QCOMPARE(all.lo, lo->y);
    QCOMPARE(all.hi, hi->y);
}

void TestChartStore::clearFreesEverything()
{
    ChartStore store;
    for (int i = 0; i < 200000; ++i) {
        store.append(0, 0.99 + (i / 74) * Second * 1e-3, i);
        store.append(1, 0.99 + (i / 74) * Second * 1e-3, -i);
    }
    store.append(0, 0.01, 1); // past midnight
    store.clear();
    QVERIFY(store.isEmpty());
    for (int t = 0; t < 2; ++t) {
        QCOMPARE(store.trace(t).liveCount(), std::uint64_t(0));
        QCOMPARE(store.trace(t).archiveBuckets(), std::size_t(0));
        QCOMPARE(store.valueAt(t, 0.5), 0.0);
    }
    // A new stream starts on its own day again.
    store.append(0, 0.25, 1);
    QCOMPARE(store.newestX(), 0.25);
}

void TestChartStore::thinningSparesTheLastDay()
{
    // Two and a half days at four points a second; Y tells the second and the point apart.
    ChartStore store;
    const auto yOf = [](long long s, int k) { return double(s % 100000) + k * 0.25; };
    const long long seconds = 86400 * 5 / 2;
    for (long long s = 0; s < seconds; ++s) {
        for (int k = 0; k < 4; ++k) {
            store.append(0, double(s) / 86400.0, yOf(s, k));
        }
    }
    const TraceSeries &trace = store.trace(0);
    const double newest = store.newestX();
    QVERIFY(trace.archiveBuckets() > 0);
    QVERIFY(trace.firstLiveX() <= newest - 1.0); // everything of the last day is at full size
    QCOMPARE(trace.firstX(), 0.0);

    std::mt19937 rng(3);
    std::uniform_int_distribution<long long> recent(seconds - 86400 + 1, seconds - 1);
    for (int i = 0; i < 200; ++i) {
        const long long s = recent(rng);
        const double x = double(s) / 86400.0;
        QCOMPARE(store.valueAt(0, x), yOf(s, 3));
        const SeriesExtent e = trace.extent(x, x + 0.5 / 86400.0);
        QCOMPARE(e.first, yOf(s, 0));
        QCOMPARE(e.hi, yOf(s, 3));
    }
    // What was thinned still shows the range it covered.
    const SeriesExtent old = trace.extent(0, 0.5);
    QCOMPARE(old.lo, 0.0);
    QCOMPARE(old.hi, yOf(43199, 3));
}

void TestChartStore::memoryStaysBoundedOverManyDays()
{
    // Eight days at a point a second: what is held stops growing. The resident memory of a
    // long stream is measured by the soak test; here, the points the store keeps.
    ChartStore store;
    std::uint64_t liveAfterTwoDays = 0;
    for (long long s = 0; s < 86400LL * 8; ++s) {
        store.append(0, double(s) / 86400.0, double(s % 7));
        store.append(1, double(s) / 86400.0, double(s % 11));
        if (s == 86400LL * 2)
            liveAfterTwoDays = store.trace(0).liveCount();
    }
    for (int t = 0; t < 2; ++t) {
        QVERIFY(store.trace(t).archiveBuckets() <= TraceSeries::ArchiveCap);
        QVERIFY(store.trace(t).liveCount() <= liveAfterTwoDays);
    }
    QVERIFY(store.trace(0).archiveStep() > 1.0 / 86400.0);
    QCOMPARE(store.trace(0).extent(0, 8).lo, 0.0);
    QCOMPARE(store.trace(0).extent(0, 8).hi, 6.0);
}

int main(int argc, char **argv)
{
    // A zone with summer time, whatever the machine's.
    qputenv("TZ", "Europe/Berlin");
    QCoreApplication app(argc, argv);
    TestChartStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_chartstore.moc"
