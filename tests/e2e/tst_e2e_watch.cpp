// Watching unattended from end to end: the real program against the device simulator, with
// limits set; the tilted mast raises an alarm that reaches the events file, and a device that
// goes away and comes back is resumed without a click.
#include "ProgramRig.h"

#include "app/WatchWiring.h"
#include "monitor/PortResumer.h"
#include "platform/display/StripChartWidget.h"

#include <QDir>
#include <QFile>

namespace
{

QString eventsText(const QString &folder)
{
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("*.events.csv")}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        return {};
    QFile file(QDir(folder).filePath(files.last()));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestE2eWatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void alarmIsKeptAndALostDeviceResumes();
};

void TestE2eWatch::alarmIsKeptAndALostDeviceResumes()
{
    SimulatorProcess tilted;
    QVERIFY2(tilted.start({QStringLiteral("--rate"), QStringLiteral("20"),
                           QStringLiteral("--record"), QStringLiteral("6.20,180.00"),
                           QStringLiteral("--hangup-after"), QStringLiteral("4")}),
             qPrintable(tilted.errorString()));
    ProgramRig rig;
    MonitoringSettings settings;
    settings.elevation = {true, -5, 5};
    settings.holdSeconds = 1;
    settings.noReadingsAfterSeconds = 0;
    rig.program.setMonitoring(settings);
    const QString folder = rig.recordings.path();

    rig.ui.mnuStart->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(
        eventsText(folder).contains(QStringLiteral(",alarm-start,elevation,6.2")), 8000);
    QCOMPARE(rig.ui.Strip1->limitLines(0), (QList<double>{-5, 5}));
    QVERIFY(rig.ui.Strip1->notice().startsWith(QStringLiteral("Elevation above 5.0 since ")));

    // The simulator hangs up: no message box, a notice, and the port tried again.
    QVERIFY(tilted.waitForExit(10000));
    QTRY_VERIFY_WITH_TIMEOUT(rig.program.watch().resumer().retrying(), 5000);
    QVERIFY(rig.ui.Strip1->notice().contains(QStringLiteral("lost at")));
    const quint64 before = rig.records();

    SimulatorProcess level; // Com port 1 now leads to the device that came back
    QVERIFY2(level.start({QStringLiteral("--rate"), QStringLiteral("20"),
                          QStringLiteral("--record"), QStringLiteral("0.50,180.00")}),
             qPrintable(level.errorString()));
    QVERIFY(level.waitForLogLine(QStringLiteral("rx !START"), 8000));
    QTRY_VERIFY_WITH_TIMEOUT(rig.records() > before + 20, 8000);
    QTRY_VERIFY_WITH_TIMEOUT(eventsText(folder).contains(QStringLiteral(",alarm-end,elevation")),
                             8000);
    const QString events = eventsText(folder);
    for (const char *kind : {",stream-start,", ",port-lost,", ",port-back,"})
        QVERIFY2(events.contains(QLatin1StringView(kind)), qPrintable(events));
    QVERIFY(rig.ui.Strip1->notice().contains(QStringLiteral("back at")));
    QVERIFY2(rig.boxes.seen.isEmpty(), qPrintable(rig.boxes.texts().join(QLatin1Char('\n'))));

    // Stop ends the watch: the stream's end is kept too.
    rig.ui.mnuStop->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(eventsText(folder).contains(QStringLiteral(",stream-end,")), 5000);
}

QTEST_MAIN(TestE2eWatch)
#include "tst_e2e_watch.moc"
