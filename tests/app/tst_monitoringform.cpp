// The monitoring settings window's check of its fields, and how limits show on the chart and
// gauges.
#include "app/MonitoringDialog.h"
#include "app/WatchDisplay.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using MonitoringForm::Field;
using Ranges = QList<std::pair<double, double>>;

class TestMonitoringForm : public QObject
{
    Q_OBJECT

private slots:
    void fieldsAreChecked_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("elevation off") << int(MonitoringForm::ElevationLimits) << "" << true;
        QTest::newRow("elevation band") << int(MonitoringForm::ElevationLimits) << "-5:5" << true;
        QTest::newRow("low above high") << int(MonitoringForm::ElevationLimits) << "5:-5" << false;
        QTest::newRow("elevation past 90")
            << int(MonitoringForm::ElevationLimits) << "-5:95" << false;
        QTest::newRow("azimuth wraps") << int(MonitoringForm::AzimuthLimits) << "350:10" << true;
        QTest::newRow("azimuth past 360")
            << int(MonitoringForm::AzimuthLimits) << "10:361" << false;
        QTest::newRow("azimuth one number") << int(MonitoringForm::AzimuthLimits) << "10" << false;
        QTest::newRow("hold negative") << int(MonitoringForm::Hold) << "-1" << false;
        QTest::newRow("hold empty") << int(MonitoringForm::Hold) << "" << false;
        QTest::newRow("hysteresis word") << int(MonitoringForm::Hysteresis) << "half" << false;
        QTest::newRow("watchdog off") << int(MonitoringForm::NoReadingsAfter) << "0" << true;
        QTest::newRow("watchdog beyond a day")
            << int(MonitoringForm::NoReadingsAfter) << "100000" << false;
    }

    void fieldsAreChecked()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(bool, ok);
        // The window itself: the fault shows beside its field and OK keeps the window open.
        MonitoringDialog dialog(MonitoringSettings{});
        QVERIFY(dialog.error(Field(field))->text().isEmpty());
        dialog.field(Field(field))->setText(text);
        dialog.accept();
        QCOMPARE(dialog.result() == QDialog::Accepted, ok);
        QCOMPARE(dialog.error(Field(field))->text().isEmpty(), ok);
        for (int other = 0; other < MonitoringForm::FieldCount; ++other) {
            if (other != field)
                QVERIFY(dialog.error(Field(other))->text().isEmpty());
        }
    }

    void settingsGoRoundTheFields()
    {
        MonitoringSettings settings;
        settings.elevation = {true, -2.5, 3};
        settings.azimuth = {true, 350, 10};
        settings.holdSeconds = 1.5;
        settings.noReadingsAfterSeconds = 0;
        settings.alarmCommand = QStringLiteral("/usr/local/bin/page");
        settings.resume = false;
        const MonitoringForm::Checked checked =
            MonitoringForm::check(MonitoringForm::texts(settings));
        QVERIFY(checked.ok());
        QCOMPARE(checked.settings, settings);
    }

    void limitsOnTheGauges()
    {
        QCOMPARE(WatchDisplay::elevationOutside({true, -5, 5}), (Ranges{{-90, -5}, {5, 90}}));
        QCOMPARE(WatchDisplay::azimuthOutside({true, 10, 50}), (Ranges{{0, 10}, {50, 360}}));
        // A band across north leaves out what lies between its end and its start.
        QCOMPARE(WatchDisplay::azimuthOutside({true, 350, 10}), (Ranges{{10, 350}}));
        QVERIFY(WatchDisplay::azimuthOutside({}).isEmpty());
        QVERIFY(WatchDisplay::limitLines({}).isEmpty());
    }
};

QTEST_MAIN(TestMonitoringForm)
#include "tst_monitoringform.moc"
