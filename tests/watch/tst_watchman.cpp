#include "watch/Watchman.h"

#include "FakeClock.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

constexpr double Missing = std::numeric_limits<double>::quiet_NaN();
// A step that only lets time pass (the periodic check, no reading).
constexpr double NoReading = std::numeric_limits<double>::infinity();

struct Step {
    double at; // seconds after the first step
    double value;
};

} // namespace

Q_DECLARE_METATYPE(Step)

// The alarm rules and the watchdog against a clock the test moves.
class TestWatchman : public QObject
{
    Q_OBJECT

private:
    FakeClock clock;

    Reading reading(double elevation, double azimuth) const
    {
        const QDateTime now = clock.now();
        return {now.toMSecsSinceEpoch(), now.offsetFromUtc(), elevation, azimuth};
    }

    // "start above 5 at 6" / "end above 5 at 4.4" for each alarm event, in order.
    static QStringList alarmLog(const QList<MonitorEvent> &events)
    {
        QStringList log;
        for (const MonitorEvent &e : events) {
            if (e.kind != MonitorEventKind::AlarmStart && e.kind != MonitorEventKind::AlarmEnd)
                continue;
            log << (e.kind == MonitorEventKind::AlarmStart ? u"start "_s : u"end "_s) +
                       QString::number(e.limit) + u" at "_s + QString::number(e.value);
        }
        return log;
    }

private slots:
    void init() { clock = FakeClock(); }

    void alarmRules_data()
    {
        QTest::addColumn<bool>("azimuth");
        QTest::addColumn<QString>("limits");
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<double>("extreme");

        const QString elevation = u"-2:5"_s;
        QTest::newRow("sway shorter than the hold time")
            << false << elevation << QList<Step>{{0, 6}, {2, 7}, {4.9, 6}, {5, 4}, {9, 3}}
            << QStringList{} << 0.0;
        QTest::newRow("outside for the whole hold time")
            << false << elevation << QList<Step>{{0, 6}, {2, 6.2}, {4, 5.5}, {5, 5.4}, {6, 6.1}}
            << QStringList{u"start 5 at 5.4"_s} << 6.2;
        QTest::newRow("below the low limit")
            << false << elevation << QList<Step>{{0, -3}, {3, -4}, {5, -2.5}}
            << QStringList{u"start -2 at -2.5"_s} << -4.0;
        QTest::newRow("the hold time passes without readings")
            << false << elevation << QList<Step>{{0, 6}, {4.75, NoReading}, {5, NoReading}}
            << QStringList{u"start 5 at 6"_s} << 6.0;
        QTest::newRow("missing values neither break the run nor start one")
            << false << elevation
            << QList<Step>{{0, Missing}, {6, Missing}, {7, 6}, {9, Missing}, {12, Missing}}
            << QStringList{u"start 5 at 6"_s} << 6.0;
        QTest::newRow("back inside within the hysteresis does not end it")
            << false << elevation << QList<Step>{{0, 6}, {5, 6}, {6, 4.8}, {12, 4.8}, {20, 4.6}}
            << QStringList{u"start 5 at 6"_s} << 6.0;
        QTest::newRow("back inside by the hysteresis for the hold time ends it")
            << false << elevation << QList<Step>{{0, 6}, {5, 6}, {6, 4.5}, {9, 4.4}, {11, 4.4}}
            << QStringList{u"start 5 at 6"_s, u"end 5 at 4.4"_s} << 6.0;
        QTest::newRow("a reading near the limit restarts the end's hold time")
            << false << elevation
            << QList<Step>{{0, 6}, {5, 6}, {6, 4}, {10, 4.9}, {11, 4}, {15.9, 4}, {16, 4}}
            << QStringList{u"start 5 at 6"_s, u"end 5 at 4"_s} << 6.0;
        QTest::newRow("missing values do not end it")
            << false << elevation
            << QList<Step>{{0, 6}, {5, 6}, {6, Missing}, {30, Missing}, {40, NoReading}}
            << QStringList{u"start 5 at 6"_s} << 6.0;
        QTest::newRow("a second alarm after the first")
            << false << elevation << QList<Step>{{0, 6}, {5, 6}, {6, 0}, {11, 0}, {12, 7}, {17, 7}}
            << QStringList{u"start 5 at 6"_s, u"end 5 at 0"_s, u"start 5 at 7"_s} << 7.0;

        const QString wrapping = u"350:10"_s;
        QTest::newRow("azimuth: inside a band around north")
            << true << wrapping << QList<Step>{{0, 355}, {3, 0}, {6, 5}, {9, 10}, {12, 350}}
            << QStringList{} << 0.0;
        QTest::newRow("azimuth: past TO clockwise")
            << true << wrapping << QList<Step>{{0, 15}, {5, 20}} << QStringList{u"start 10 at 20"_s}
            << 20.0;
        QTest::newRow("azimuth: short of FROM")
            << true << wrapping << QList<Step>{{0, 340}, {5, 345}}
            << QStringList{u"start 350 at 345"_s} << 340.0;
        QTest::newRow("azimuth: hysteresis across north")
            << true << wrapping
            << QList<Step>{{0, 15}, {5, 15}, {6, 9.8}, {12, 9.8}, {13, 359}, {18, 359}}
            << QStringList{u"start 10 at 15"_s, u"end 10 at 359"_s} << 15.0;
        QTest::newRow("azimuth: an ordinary band")
            << true << u"90:180"_s << QList<Step>{{0, 200}, {5, 200}, {6, 100}, {11, 100}}
            << QStringList{u"start 180 at 200"_s, u"end 180 at 100"_s} << 200.0;
    }

    void alarmRules()
    {
        QFETCH(bool, azimuth);
        QFETCH(QString, limits);
        QFETCH(QList<Step>, steps);
        QFETCH(QStringList, expected);
        QFETCH(double, extreme);

        MonitoringSettings settings;
        settings.noReadingsAfterSeconds = 0;
        LimitBand &band = azimuth ? settings.azimuth : settings.elevation;
        band = std::get<LimitBand>(azimuth ? parseAzimuthLimits(limits)
                                           : parseElevationLimits(limits));
        Watchman watchman(clock);
        watchman.setSettings(settings);
        QList<MonitorEvent> events;
        connect(&watchman, &Watchman::eventRaised, this,
                [&events](const MonitorEvent &e) { events << e; });
        watchman.streamStarted(u"Com port 1"_s);

        double now = 0;
        std::optional<double> lastExtreme;
        for (const Step &step : steps) {
            clock.advance(step.at - now);
            now = step.at;
            if (step.value != NoReading) {
                const double other = azimuth ? 0 : 180;
                watchman.readingAccepted(azimuth ? reading(other, step.value)
                                                 : reading(step.value, other));
            }
            watchman.check();
            const auto alarms = watchman.activeAlarms();
            if (!alarms.isEmpty())
                lastExtreme = alarms.first().extreme;
        }
        QCOMPARE(alarmLog(events), expected);
        if (!expected.isEmpty()) {
            QCOMPARE(lastExtreme.value_or(qQNaN()), extreme);
            const MonitorEvent &start = *std::find_if(events.cbegin(), events.cend(), [](auto &e) {
                return e.kind == MonitorEventKind::AlarmStart;
            });
            QCOMPARE(start.quantity, azimuth ? Quantity::Azimuth : Quantity::Elevation);
            QCOMPARE(start.port, u"Com port 1"_s);
        }
    }

    // The notice line's facts: the side, the limit, since the first reading beyond it.
    void activeAlarmSaysSinceWhen()
    {
        MonitoringSettings settings;
        settings.elevation = {true, -2, 5};
        Watchman watchman(clock);
        watchman.setSettings(settings);
        QSignalSpy changed(&watchman, &Watchman::stateChanged);
        watchman.streamStarted(u"/dev/ttyUSB0"_s);
        const QDateTime firstBeyond = clock.now();
        watchman.readingAccepted(reading(6, 0));
        clock.advance(5);
        const QDateTime decided = clock.now();
        watchman.readingAccepted(reading(6.2, 0));
        QCOMPARE(changed.count(), 1);
        const auto alarms = watchman.activeAlarms();
        QCOMPARE(alarms.size(), 1);
        QVERIFY(alarms[0].above);
        QCOMPARE(alarms[0].limit, 5.0);
        QCOMPARE(alarms[0].since, firstBeyond);
        QCOMPARE(alarms[0].extreme, 6.2);
        QVERIFY(decided > firstBeyond);
        watchman.readingAccepted(reading(6.5, 0));
        QCOMPARE(changed.count(), 2); // the extreme moved
        QCOMPARE(watchman.activeAlarms()[0].extreme, 6.5);
    }

    void watchdog_data()
    {
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("readingFirst");
        QTest::addColumn<bool>("portLost");
        QTest::newRow("quiet after a reading") << 10 << true << false;
        QTest::newRow("no reading since the start") << 10 << false << false;
        QTest::newRow("the port lost") << 10 << true << true;
        QTest::newRow("switched off") << 0 << true << false;
    }

    void watchdog()
    {
        QFETCH(int, after);
        QFETCH(bool, readingFirst);
        QFETCH(bool, portLost);
        MonitoringSettings settings;
        settings.noReadingsAfterSeconds = after;
        Watchman watchman(clock);
        watchman.setSettings(settings);
        QList<MonitorEventKind> kinds;
        connect(&watchman, &Watchman::eventRaised, this,
                [&kinds](const MonitorEvent &e) { kinds << e.kind; });
        watchman.streamStarted(u"Com port 1"_s);
        const QDateTime lastSeen = clock.now();
        if (readingFirst)
            watchman.readingAccepted(reading(1, 2));
        if (portLost)
            watchman.portLost(u"Com port 1"_s, u"device removed"_s);
        clock.advance(9.75);
        watchman.check();
        QVERIFY(!watchman.noReadingsSince());
        clock.advance(0.25);
        watchman.check();
        watchman.check();
        using K = MonitorEventKind;
        QList<K> expected{K::StreamStart};
        if (portLost)
            expected << K::PortLost;
        if (after == 0) {
            QVERIFY(!watchman.noReadingsSince());
            QCOMPARE(kinds, expected);
            return;
        }
        expected << K::NoReadingsStart;
        QCOMPARE(kinds, expected);
        QCOMPARE(watchman.noReadingsSince().value_or(QDateTime()), lastSeen);
        clock.advance(50);
        watchman.check();
        QCOMPARE(kinds, expected); // raised once
        watchman.readingAccepted(reading(1, 2));
        expected << K::NoReadingsEnd;
        QCOMPARE(kinds, expected);
        QVERIFY(!watchman.noReadingsSince());
    }

    // Stop (or Setup, Open Recording, Exit) closes what is open, so the events file's periods end.
    void streamEndClosesWhatIsOpen()
    {
        MonitoringSettings settings;
        settings.elevation = {true, -2, 5};
        settings.holdSeconds = 0;
        Watchman watchman(clock);
        watchman.setSettings(settings);
        QList<MonitorEvent> events;
        connect(&watchman, &Watchman::eventRaised, this,
                [&events](const MonitorEvent &e) { events << e; });
        watchman.streamStarted(u"Com port 1"_s);
        watchman.readingAccepted(reading(9, 0));
        clock.advance(11);
        watchman.check();
        watchman.streamStarted(u"Com port 1"_s); // a resume: nothing new
        watchman.streamEnded();
        watchman.streamEnded();
        clock.advance(30);
        watchman.check();
        watchman.readingAccepted(reading(9, 0));
        QStringList names;
        for (const MonitorEvent &e : events)
            names << eventName(e.kind) + u' ' + e.detail;
        QCOMPARE(names, (QStringList{u"stream-start "_s, u"alarm-start "_s,
                                     u"no-readings-start no reading for 11 s"_s,
                                     u"alarm-end stream ended"_s, u"no-readings-end stream ended"_s,
                                     u"stream-end "_s}));
        QVERIFY(watchman.activeAlarms().isEmpty());
        QVERIFY(!watchman.noReadingsSince());
    }

    // New limits are judged afresh: the alarm under the old ones ends.
    void changedLimitsEndTheAlarm()
    {
        MonitoringSettings settings;
        settings.elevation = {true, -2, 5};
        settings.holdSeconds = 0;
        Watchman watchman(clock);
        watchman.setSettings(settings);
        QSignalSpy events(&watchman, &Watchman::eventRaised);
        watchman.streamStarted(u"Com port 1"_s);
        watchman.readingAccepted(reading(6, 0));
        QCOMPARE(watchman.activeAlarms().size(), 1);
        settings.elevation.enabled = false;
        watchman.setSettings(settings);
        QVERIFY(watchman.activeAlarms().isEmpty());
        QCOMPARE(events.last().at(0).value<MonitorEvent>().detail, u"settings changed"_s);
        settings.elevation = {true, -2, 8};
        watchman.setSettings(settings);
        watchman.readingAccepted(reading(6, 0));
        QVERIFY(watchman.activeAlarms().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWatchman)
#include "tst_watchman.moc"
