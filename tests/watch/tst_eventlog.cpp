#include "watch/EventLog.h"

#include "WriteFile.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

QDateTime at(const QString &time)
{
    return QDateTime::fromString(time, Qt::ISODateWithMs);
}

MonitorEvent makeEvent(const QString &time, MonitorEventKind kind,
                       Quantity quantity = Quantity::None, double value = qQNaN(),
                       double limit = qQNaN(), const QString &detail = {})
{
    return {at(time), kind, quantity, value, limit, u"Com port 1"_s, detail};
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "alarm-start elevation 12:00:05.000 - 12:00:09.000" for each period.
QStringList describe(const QList<EventPeriod> &periods)
{
    QStringList out;
    for (const EventPeriod &p : periods)
        out << eventName(p.startKind) + u' ' + quantityName(p.quantity) + u' ' +
                   p.begin.toString(u"HH:mm:ss.zzz"_s) + u" - "_s +
                   (p.end.isValid() ? p.end.toString(u"HH:mm:ss.zzz"_s) : u"open"_s);
    return out;
}

} // namespace

// The events file: its rows on the disk, beside the right recording, and read back for shading.
class TestEventLog : public QObject
{
    Q_OBJECT

private slots:

    void rowsBesideTheDaysRecording()
    {
        QTemporaryDir dir;
        {
            EventLog log(dir.path() + u"/recordings"_s);
            QSignalSpy written(&log, &EventLog::written);
            log.append(makeEvent(u"2026-12-07T14:03:05.250+01:00"_s, MonitorEventKind::AlarmStart,
                                 Quantity::Elevation, 6.2, 5));
            log.append(makeEvent(u"2026-12-07T14:03:09.000+01:00"_s,
                                 MonitorEventKind::CommandFailed, Quantity::None, qQNaN(), qQNaN(),
                                 u"exit code 2: \"no route\", retry\r\nline two\n\ttab"_s));
            log.append(makeEvent(u"2026-12-08T00:00:01.000-03:30"_s, MonitorEventKind::PortLost,
                                 Quantity::None, qQNaN(), qQNaN(), u"device removed"_s));
            QTRY_COMPARE(written.count(), 3);
        }
        QCOMPARE(contents(dir.path() + u"/recordings/2026-12-07.events.csv"_s),
                 QByteArray("time,event,quantity,value,limit,detail\r\n"
                            "2026-12-07T14:03:05.250+01:00,alarm-start,elevation,6.2,5,\"\"\r\n"
                            "2026-12-07T14:03:09.000+01:00,command-failed,,,,"
                            "\"exit code 2: \"\"no route\"\", retry | line two |  tab\"\r\n"));
        QCOMPARE(contents(dir.path() + u"/recordings/2026-12-08.events.csv"_s),
                 QByteArray("time,event,quantity,value,limit,detail\r\n"
                            "2026-12-08T00:00:01.000-03:30,port-lost,,,,\"device removed\"\r\n"));
    }

    // A second program's recording ("-2") has its own events file, and a torn last row (a crash)
    // costs only itself.
    void followsTheRecorderAndMendsATornFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"2026-12-07-2.events.csv"_s);
        writeFile(path, "time,event,quantity,value,limit,detail\r\n"
                        "2026-12-07T14:00:00.000+01:00,stream-start,,,,\"\"\r\n"
                        "2026-12-07T14:00:01.000+01:00,alarm-st");
        EventLog log(dir.path());
        log.setBaseLookup(
            [](const QDate &date) -> QString { return date.toString(Qt::ISODate) + u"-2"_s; });
        QSignalSpy written(&log, &EventLog::written);
        log.append(makeEvent(u"2026-12-07T14:00:05.000+01:00"_s, MonitorEventKind::AlarmStart,
                             Quantity::Azimuth, 15, 10));
        QTRY_COMPARE(written.count(), 1);
        QCOMPARE(written.at(0).at(0).toString(), path);
        const auto periods = readEventPeriods(path);
        QCOMPARE(describe(std::get<QList<EventPeriod>>(periods)),
                 QStringList{u"alarm-start azimuth 14:00:05.000 - open"_s});
    }

    void failureReportedOnce()
    {
        QTemporaryDir dir;
        const QString notAFolder = writeFile(dir.filePath(u"file"_s), "x");
        EventLog log(notAFolder + u"/recordings"_s);
        QSignalSpy failed(&log, &EventLog::failed);
        for (int i = 0; i < 3; ++i)
            log.append(
                makeEvent(u"2026-12-07T14:00:00.000+01:00"_s, MonitorEventKind::StreamStart));
        QTRY_COMPARE(failed.count(), 1);
        QVERIFY(failed.at(0).at(0).toString().contains(u"recordings"_s));
        // Once the folder can be made, the next event is written and nothing more is reported.
        QSignalSpy written(&log, &EventLog::written);
        QVERIFY(QFile::remove(notAFolder));
        log.append(makeEvent(u"2026-12-07T14:00:00.000+01:00"_s, MonitorEventKind::StreamEnd));
        QTRY_COMPARE(written.count(), 1);
        QCOMPARE(failed.count(), 1);
    }

    void periods_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected");
        const QByteArray header = "time,event,quantity,value,limit,detail\r\n";
        QTest::newRow("alarms per quantity and the watchdog, interleaved")
            << header + "2026-12-07T12:00:00.000+01:00,stream-start,,,,\"\"\r\n"
                        "2026-12-07T12:00:05.000+01:00,alarm-start,elevation,6,5,\"\"\r\n"
                        "2026-12-07T12:00:06.000+01:00,alarm-start,azimuth,15,10,\"\"\r\n"
                        "2026-12-07T12:00:07.000+01:00,no-readings-start,,,,\"a, b\"\r\n"
                        "2026-12-07T12:00:08.000+01:00,alarm-end,elevation,4,5,\"\"\r\n"
                        "2026-12-07T12:00:09.000+01:00,no-readings-end,,,,\"\"\r\n"
                        "2026-12-07T12:00:10.000+01:00,port-lost,,,,\"x\"\r\n"
            << QStringList{u"alarm-start elevation 12:00:05.000 - 12:00:08.000"_s,
                           u"alarm-start azimuth 12:00:06.000 - open"_s,
                           u"no-readings-start  12:00:07.000 - 12:00:09.000"_s};
        QTest::newRow("a stream's start closes what a crash left open")
            << header + "2026-12-07T12:00:05.000+01:00,alarm-start,elevation,6,5,\"\"\n"
                        "2026-12-07T12:30:00.000+01:00,stream-start,,,,\"\"\n"
                        "2026-12-07T12:30:01.000+01:00,alarm-end,elevation,4,5,\"\"\n"
            << QStringList{u"alarm-start elevation 12:00:05.000 - 12:30:00.000"_s};
        QTest::newRow("bad rows skipped")
            << header +
                   "2026-12-07T12:00:05.000+01:00,alarm-start,,6,5,\"\"\r\n"
                   "2026-13-07T12:00:05.000+01:00,alarm-start,elevation,6,5,\"\"\r\n"
                   "2026-12-07T12:00:05.000+01:00,alarm-begin,elevation,6,5,\"\"\r\n"
                   "2026-12-07T12:00:05.000+01:00,alarm-start\r\n" +
                   QByteArray(40000, 'x') + ",alarm-start,elevation\r\n" +
                   QByteArray("\0\xff\r\n,,,,\n\n", 10) +
                   "2026-12-07T12:00:06.000+01:00,alarm-start,azimuth,1,2,\"\"\r\n"
                   "2026-12-07T12:00:07.000+01:00,alarm-end,,,,\"\"\r\n"
            << QStringList{u"alarm-start azimuth 12:00:06.000 - open"_s};
        QTest::newRow("empty") << QByteArray() << QStringList{};
    }

    void periods()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const auto read = readEventPeriods(writeFile(dir.filePath(u"e.events.csv"_s), file));
        QVERIFY(std::holds_alternative<QList<EventPeriod>>(read));
        QCOMPARE(describe(std::get<QList<EventPeriod>>(read)), expected);
    }

    void missingFileIsAMessage()
    {
        QTemporaryDir dir;
        QVERIFY(std::holds_alternative<QString>(readEventPeriods(dir.filePath(u"none.csv"_s))));
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
