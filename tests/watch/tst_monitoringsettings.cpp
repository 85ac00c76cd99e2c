#include "watch/MonitoringSettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The option parsers the command line and the settings window share, and the saved settings.
class TestMonitoringSettings : public QObject
{
    Q_OBJECT

private slots:
    void limits_data()
    {
        QTest::addColumn<bool>("azimuth");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed"); // limitsText of the band, or the error's start
        QTest::newRow("elevation") << false << u"-2.5:5"_s << u"-2.5:5"_s;
        QTest::newRow("elevation, spaces") << false << u" -90 : 90 "_s << u"-90:90"_s;
        QTest::newRow("elevation, exponent") << false << u"-1e1:2"_s << u"-10:2"_s;
        QTest::newRow("LOW not below HIGH") << false << u"5:5"_s << u"LOW must be below"_s;
        QTest::newRow("beyond 90") << false << u"0:90.5"_s << u"elevation limits lie"_s;
        QTest::newRow("no colon") << false << u"5"_s << u"expected LOW:HIGH"_s;
        QTest::newRow("not a number") << false << u"a:5"_s << u"expected LOW:HIGH"_s;
        QTest::newRow("not finite") << false << u"nan:5"_s << u"expected LOW:HIGH"_s;
        QTest::newRow("comma decimal") << false << u"1,5:3"_s << u"expected LOW:HIGH"_s;
        QTest::newRow("empty") << false << u""_s << u"expected LOW:HIGH"_s;
        QTest::newRow("azimuth wrapping") << true << u"350:10"_s << u"350:10"_s;
        QTest::newRow("azimuth whole turn") << true << u"0:360"_s << u"0:360"_s;
        QTest::newRow("azimuth negative") << true << u"-10:10"_s << u"azimuth limits lie"_s;
        QTest::newRow("azimuth empty band") << true << u"10:10"_s << u"FROM and TO"_s;
        QTest::newRow("azimuth three parts") << true << u"1:2:3"_s << u"expected FROM:TO"_s;
    }

    void limits()
    {
        QFETCH(bool, azimuth);
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        const auto result = azimuth ? parseAzimuthLimits(text) : parseElevationLimits(text);
        const QString got = std::holds_alternative<LimitBand>(result)
                                ? limitsText(std::get<LimitBand>(result))
                                : std::get<QString>(result);
        QVERIFY2(got.startsWith(parsed), qPrintable(got));
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("seconds"); // -1: an error
        QTest::addColumn<double>("degrees");
        QTest::newRow("zero") << u"0"_s << 0.0 << 0.0;
        QTest::newRow("fraction") << u"2.5"_s << 2.5 << 2.5;
        QTest::newRow("negative") << u"-1"_s << -1.0 << -1.0;
        QTest::newRow("a day") << u"86400"_s << 86400.0 << -1.0;
        QTest::newRow("more than a day") << u"86401"_s << -1.0 << -1.0;
        QTest::newRow("huge") << u"1e300"_s << -1.0 << -1.0;
        QTest::newRow("infinite") << u"inf"_s << -1.0 << -1.0;
        QTest::newRow("words") << u"five"_s << -1.0 << -1.0;
    }

    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(double, seconds);
        QFETCH(double, degrees);
        const auto value = [](const std::variant<double, QString> &v) {
            return std::holds_alternative<double>(v) ? std::get<double>(v) : -1.0;
        };
        QCOMPARE(value(parseNonNegativeSeconds(text)), seconds);
        QCOMPARE(value(parseNonNegativeDegrees(text)), degrees);
    }

    void savedAndLoaded()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(u"orvel.ini"_s), QSettings::IniFormat);
        QCOMPARE(loadMonitoringSettings(settings), MonitoringSettings());

        MonitoringSettings m;
        m.elevation = {true, -2.5, 5};
        m.azimuth = {true, 350, 10};
        m.holdSeconds = 2.5;
        m.hysteresisDegrees = 0.25;
        m.noReadingsAfterSeconds = 0;
        m.alarmCommand = u"/usr/local/bin/tell-someone --to \"field crew\""_s;
        m.resume = false;
        saveMonitoringSettings(settings, m);
        settings.sync();
        QSettings reread(dir.filePath(u"orvel.ini"_s), QSettings::IniFormat);
        QCOMPARE(loadMonitoringSettings(reread), m);

        // Edited by hand into nonsense: each bad value keeps its default, the rest are read.
        reread.setValue(u"monitoring/elevationLimits"_s, u"9:1"_s);
        reread.setValue(u"monitoring/alarmHold"_s, u"-3"_s);
        reread.setValue(u"monitoring/noReadingsAfter"_s, u"soon"_s);
        MonitoringSettings expected = m;
        expected.elevation = {};
        expected.holdSeconds = MonitoringSettings().holdSeconds;
        expected.noReadingsAfterSeconds = MonitoringSettings().noReadingsAfterSeconds;
        QCOMPARE(loadMonitoringSettings(reread), expected);
    }
};

QTEST_GUILESS_MAIN(TestMonitoringSettings)
#include "tst_monitoringsettings.moc"
