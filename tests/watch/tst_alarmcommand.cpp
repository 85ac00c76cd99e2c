#include "watch/AlarmCommand.h"

#include "WriteFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

MonitorEvent alarmStart()
{
    return {QDateTime::fromString(u"2026-12-07T14:03:05.250+01:00"_s, Qt::ISODateWithMs),
            MonitorEventKind::AlarmStart,
            Quantity::Elevation,
            6.2,
            5,
            u"Com port 1"_s,
            u"it's \"tilted\""_s};
}

// A script in the temp dir, executable.
QString script(const QTemporaryDir &dir, const QString &name, const QByteArray &body)
{
    const QString path = writeFile(dir.filePath(name), "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString quotedCommand(const QStringList &words)
{
    QStringList quoted;
    for (const QString &w : words)
        quoted << u'"' + w + u'"';
    return quoted.join(u' ');
}

} // namespace

// The user's command: what it is told, and what happens when it fails or hangs.
class TestAlarmCommand : public QObject
{
    Q_OBJECT

private slots:
    // Two events in a row each run the command once, in order, with the event in the environment.
    void environmentOncePerEvent()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"with space"_s));
        const QString out = dir.filePath(u"out.txt"_s);
        const QString printer = script(dir, u"with space/print-env"_s,
                                       "for v in DETAIL EVENT LIMIT PORT QUANTITY TIME VALUE; do\n"
                                       "  eval \"echo ORVEL_$v=\\${ORVEL_$v-unset}\" >> \"$1\"\n"
                                       "done\necho --- >> \"$1\"\n");
        AlarmCommand command;
        command.setCommand(quotedCommand({printer, out}));
        QSignalSpy finished(&command, &AlarmCommand::finished);
        QSignalSpy failed(&command, &AlarmCommand::failed);
        MonitorEvent end = alarmStart();
        end.kind = MonitorEventKind::AlarmEnd;
        end.value = qQNaN();
        end.detail.clear();
        command.run(alarmStart());
        command.run(end);
        MonitorEvent streamStart = alarmStart();
        streamStart.kind = MonitorEventKind::StreamStart;
        command.run(streamStart); // not passed on
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(failed.count(), 0);
        QVERIFY(!command.busy());
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).split(u'\n'),
                 (QStringList{
                     u"ORVEL_DETAIL=it's \"tilted\""_s, u"ORVEL_EVENT=alarm-start"_s,
                     u"ORVEL_LIMIT=5"_s, u"ORVEL_PORT=Com port 1"_s, u"ORVEL_QUANTITY=elevation"_s,
                     u"ORVEL_TIME=2026-12-07T14:03:05.250+01:00"_s, u"ORVEL_VALUE=6.2"_s, u"---"_s,
                     u"ORVEL_DETAIL="_s, u"ORVEL_EVENT=alarm-end"_s, u"ORVEL_LIMIT=5"_s,
                     u"ORVEL_PORT=Com port 1"_s, u"ORVEL_QUANTITY=elevation"_s,
                     u"ORVEL_TIME=2026-12-07T14:03:05.250+01:00"_s, u"ORVEL_VALUE="_s, u"---"_s,
                     u""_s}));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("body"); // empty: a program that does not exist
        QTest::addColumn<int>("limitMs");
        QTest::addColumn<QString>("detailStart");
        QTest::addColumn<qsizetype>("maxDetail");
        QTest::newRow("exit code and output")
            << QByteArray("echo 'no route to host'\nexit 3\n") << 30000
            << u"exit code 3: no route to host"_s << qsizetype(100);
        QTest::newRow("output kept bounded")
            << QByteArray("head -c 1000000 /dev/zero | tr '\\0' x\nexit 1\n") << 30000
            << u"exit code 1: xxxx"_s << AlarmCommand::MaxOutputBytes + 32;
        QTest::newRow("still running at the time limit")
            << QByteArray("echo started\nsleep 60\n") << 300 << u"ended after 0.3 s: started"_s
            << qsizetype(100);
        QTest::newRow("cannot start")
            << QByteArray() << 30000 << u"cannot start "_s << qsizetype(1000);
    }

    void failures()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, limitMs);
        QFETCH(QString, detailStart);
        QFETCH(qsizetype, maxDetail);
        QTemporaryDir dir;
        AlarmCommand command;
        command.setTimeLimitMs(limitMs);
        command.setCommand(body.isEmpty() ? dir.filePath(u"missing"_s)
                                          : script(dir, u"notify"_s, body));
        QSignalSpy failed(&command, &AlarmCommand::failed);
        command.run(alarmStart());
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).value<MonitorEvent>().kind, MonitorEventKind::AlarmStart);
        const QString detail = failed.at(0).at(1).toString();
        QVERIFY2(detail.startsWith(detailStart), qPrintable(detail));
        QVERIFY(detail.size() <= maxDetail);
        QTRY_VERIFY(!command.busy());
    }

    // Events that pile up behind a command that hangs wait in a bounded queue.
    void waitingIsBounded()
    {
        AlarmCommand command;
        command.setCommand(u"sleep 60"_s);
        QSignalSpy failed(&command, &AlarmCommand::failed);
        for (int i = 0; i <= AlarmCommand::MaxWaiting; ++i)
            command.run(alarmStart());
        QCOMPARE(failed.count(), 0);
        command.run(alarmStart());
        QCOMPARE(failed.count(), 1);
        QVERIFY(failed.at(0).at(1).toString().startsWith(u"not run"_s));
    }
};

QTEST_GUILESS_MAIN(TestAlarmCommand)
#include "tst_alarmcommand.moc"
