// The recorder against a temporary folder: day files, the torn line, the cap, and disks that
// fail or stop answering while the display goes on.
#include "FakeClock.h"
#include "FakeDisplay.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "monitor/LiveMonitor.h"
#include "monitor/PortList.h"
#include "recording/Recorder.h"
#include "recording/RecordingFileOps.h"
#include "recording/RecordingFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

const QTimeZone PlusOne(3600);

Reading at(QDate date, QTime time, double elevation = 1.5, double azimuth = -2.25)
{
    const QDateTime moment(date, time, PlusOne);
    return {moment.toMSecsSinceEpoch(), moment.offsetFromUtc(), elevation, azimuth};
}

Recorder::Options fastOptions(const QString &folder)
{
    Recorder::Options options;
    options.folder = folder;
    options.writeIntervalMs = 20;
    options.retryIntervalMs = 100;
    options.stallMs = 5000; // beyond any pause of the writer on a loaded machine
    return options;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The rows a reader takes from a file: complete lines only, the header skipped.
// Removes a folder the writer is using as `rm -rf` does, but with the path gone in one step: a
// writer that notices the loss half-way and makes its file again cannot leave the removal
// unfinished.
bool removeFolder(const QString &folder)
{
    const QString gone = folder + QStringLiteral(".gone");
    return QDir().rename(folder, gone) && QDir(gone).removeRecursively();
}

QList<Reading> readBack(const QString &path)
{
    QList<Reading> rows;
    const QByteArray data = contents(path);
    const QList<QByteArray> lines = data.left(data.lastIndexOf('\n') + 1).split('\n');
    for (const QByteArray &line : lines) {
        if (line.isEmpty() || RecordRow::isHeader(line))
            continue;
        const auto reading = RecordRow::parse(line);
        if (!reading)
            return {}; // a row that does not read: the file is wrong
        rows.append(*reading);
    }
    return rows;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A disk that takes only part of what is written, or does not keep what it took.
class FailingDisk final : public RecordingFileOps
{
public:
    Written write(int fd, QByteArrayView bytes) override
    {
        if (!full)
            return RecordingFileOps::write(fd, bytes);
        // A nearly full disk: the first half goes in, then there is no room.
        Written taken = RecordingFileOps::write(fd, bytes.first(bytes.size() / 2));
        taken.error = ENOSPC;
        return taken;
    }
    int sync(int fd) override { return syncFails ? EIO : RecordingFileOps::sync(fd); }

    std::atomic<bool> full = false;
    std::atomic<bool> syncFails = false;
};

class OnePort final : public PortList
{
public:
    bool isChecked(int index) const override { return index == 0; }
    void setChecked(int, bool) override {}
};

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void headerOnceRowsAppendedAcrossRuns()
    {
        QTemporaryDir dir;
        const QDate day(2026, 12, 7);
        const QString file = RecordingFolder::dayFilePath(dir.path(), u"2026-12-07"_s);
        FakePrompts prompts;
        {
            Recorder recorder(prompts, fastOptions(dir.path()));
            recorder.readingAccepted(at(day, QTime(14, 5, 9, 123), 12.5, -3.25));
            recorder.readingAccepted(at(day, QTime(14, 5, 9, 124), 0.1, std::nan("")));
        }
        {
            Recorder recorder(prompts, fastOptions(dir.path()));
            recorder.readingAccepted(at(day, QTime(15, 0, 0, 0), -7, 8));
        }
        QCOMPARE(contents(file), QByteArray("time,elevation,azimuth\r\n"
                                            "2026-12-07T14:05:09.123+01:00,12.5,-3.25\r\n"
                                            "2026-12-07T14:05:09.124+01:00,0.1,\r\n"
                                            "2026-12-07T15:00:00.000+01:00,-7,8\r\n"));
        QVERIFY(prompts.messages.isEmpty());
    }

    // Local midnight starts a new file, also inside one batch of rows.
    void newFileAtLocalMidnight()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        {
            Recorder recorder(prompts, fastOptions(dir.path()));
            recorder.readingAccepted(at(QDate(2026, 12, 31), QTime(23, 59, 59, 998), 1, 1));
            recorder.readingAccepted(at(QDate(2026, 12, 31), QTime(23, 59, 59, 999), 2, 2));
            recorder.readingAccepted(at(QDate(2027, 1, 1), QTime(0, 0, 0, 0), 3, 3));
            QTRY_COMPARE(recorder.writtenReadings(), 3u);
            recorder.readingAccepted(at(QDate(2027, 1, 1), QTime(0, 0, 1, 0), 4, 4));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (QStringList{u"2026-12-31.csv"_s, u"2027-01-01.csv"_s}));
        const QList<Reading> before = readBack(dir.filePath(u"2026-12-31.csv"_s));
        const QList<Reading> after = readBack(dir.filePath(u"2027-01-01.csv"_s));
        QCOMPARE(before.size(), 2);
        QCOMPARE(after.size(), 2);
        QCOMPARE(after[0].elevation, 3.0);
        QVERIFY(
            contents(dir.filePath(u"2027-01-01.csv"_s)).startsWith("time,elevation,azimuth\r\n"));
    }

    // A crash left half a row: it is cut off, so no reader can take it for a whole one, and the
    // next row starts on a line of its own.
    void tornLastLineIsCutBeforeWriting_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("kept");
        const QByteArray header = "time,elevation,azimuth\r\n";
        const QByteArray row = "2026-12-07T10:00:00.000+01:00,1,2\r\n";
        QTest::newRow("cut in the last value")
            << header + row + "2026-12-07T10:00:00.013+01:00,12.5,-3.2" << header + row;
        QTest::newRow("cut before the line feed") << header + row.chopped(1) << header;
        QTest::newRow("cut in the header") << QByteArray("time,eleva") << QByteArray();
    }
    void tornLastLineIsCutBeforeWriting()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, kept);
        QTemporaryDir dir;
        const QString file = dir.filePath(u"2026-12-07.csv"_s);
        writeFile(file, before);
        FakePrompts prompts;
        {
            Recorder recorder(prompts, fastOptions(dir.path()));
            recorder.readingAccepted(at(QDate(2026, 12, 7), QTime(11, 0), 5, 6));
        }
        const QByteArray expected =
            (kept.isEmpty() ? RecordRow::header() : kept) + "2026-12-07T11:00:00.000+01:00,5,6\r\n";
        QCOMPARE(contents(file), expected);
    }

    void capDeletesOldestWholeDaysFirstNeverToday()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(u"2026-12-05.csv"_s), QByteArray(100, 'x'));
        writeFile(dir.filePath(u"2026-11-30.csv"_s), QByteArray(100, 'x'));
        writeFile(dir.filePath(u"2026-12-01.csv"_s), QByteArray(100, 'x'));
        writeFile(dir.filePath(u"notes.txt"_s), QByteArray(50, 'x'));
        writeFile(dir.filePath(u"2026-11-01-copy.csv"_s), QByteArray(50, 'x'));
        writeFile(dir.filePath(u"2026-12-07.csv"_s), QByteArray(300, 'x') + "\r\n");

        // 702 bytes over a cap of 510: the two oldest days go, the third day stays.
        auto pruned = RecordingFolder::prune(dir.path(), 510, u"2026-12-07"_s);
        QCOMPARE(pruned.deleted, (QStringList{u"2026-11-30.csv"_s, u"2026-12-01.csv"_s}));
        QCOMPARE(pruned.folderBytes, 502);
        // Today's file alone over the cap: every other day goes, today stays, others stay.
        pruned = RecordingFolder::prune(dir.path(), 10, u"2026-12-07"_s);
        QCOMPARE(pruned.deleted, QStringList{u"2026-12-05.csv"_s});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (QStringList{u"2026-11-01-copy.csv"_s, u"2026-12-07.csv"_s, u"notes.txt"_s}));

        // The recorder keeps the cap when a new day starts and when writing passes it.
        writeFile(dir.filePath(u"2026-12-06.csv"_s), QByteArray(100, 'x'));
        FakePrompts prompts;
        Recorder::Options options = fastOptions(dir.path());
        options.capBytes = 1300; // passed by the 21st row of 41 bytes, by less than a day file
        Recorder recorder(prompts, options);
        recorder.readingAccepted(at(QDate(2026, 12, 8), QTime(0, 0)));
        QTRY_COMPARE(recorder.writtenReadings(), 1u);
        QVERIFY(QFile::exists(dir.filePath(u"2026-12-06.csv"_s)));
        QVERIFY(QFile::exists(dir.filePath(u"2026-12-07.csv"_s)));
        for (int i = 1; i <= 20; ++i)
            recorder.readingAccepted(at(QDate(2026, 12, 8), QTime(0, 0, i)));
        QTRY_COMPARE(recorder.writtenReadings(), 21u);
        QTRY_VERIFY(!QFile::exists(dir.filePath(u"2026-12-06.csv"_s)));
        QVERIFY(QFile::exists(dir.filePath(u"2026-12-07.csv"_s)));
        QVERIFY(prompts.messages.isEmpty());
    }

    // A disk that fails part way: the system's reason in the one message, only whole rows the
    // disk kept counted as written, and recording back once the disk works again.
    void failingDiskIsARecordingFailure_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full part way") << true << "No space left on device";
        QTest::newRow("sync fails") << false << "Input/output error";
    }
    void failingDiskIsARecordingFailure()
    {
        QFETCH(bool, full);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString file = RecordingFolder::dayFilePath(dir.path(), u"2026-12-07"_s);
        auto disk = std::make_shared<FailingDisk>();
        FakePrompts prompts;
        Recorder::Options options = fastOptions(dir.path());
        options.syncIntervalMs = 0;
        options.fileOps = disk;
        Recorder recorder(prompts, options);
        const QDate day(2026, 12, 7);
        recorder.readingAccepted(at(day, QTime(9, 0)));
        QTRY_COMPARE(recorder.writtenReadings(), 1u);
        (full ? disk->full : disk->syncFails) = true;
        for (int i = 1; i <= 4; ++i)
            recorder.readingAccepted(at(day, QTime(9, 0, i)));
        QTRY_COMPARE(prompts.messages.size(), 1);
        QTRY_COMPARE(recorder.writtenReadings() + recorder.lostReadings(), 5u);
        QVERIFY2(prompts.details[0].startsWith(QString(file + u": "_s + reason + u'.')),
                 qPrintable(prompts.details[0]));
        // Half of four rows went in: two whole rows on the full disk, none kept by a failing sync.
        QCOMPARE(recorder.writtenReadings(), full ? 3u : 1u);
        if (full)
            QCOMPARE(readBack(file).size(), 3);

        (full ? disk->full : disk->syncFails) = false;
        for (int i = 5; i < 25; ++i) {
            recorder.readingAccepted(at(day, QTime(9, 0, i)));
            QTest::qWait(30);
        }
        QTRY_COMPARE(recorder.writtenReadings() + recorder.lostReadings(), 25u);
        QVERIFY(recorder.writtenReadings() > 5u);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(readBack(file).last().msecsSinceEpoch, at(day, QTime(9, 0, 24)).msecsSinceEpoch);
    }

    // The folder removed or moved away while recording: told once, made again with a new file
    // that gets every later row; nothing goes on into the file that lost its name.
    void folderGoneIsMadeAgain_data()
    {
        QTest::addColumn<bool>("moved");
        QTest::newRow("removed") << false;
        QTest::newRow("moved away") << true;
    }
    void folderGoneIsMadeAgain()
    {
        QFETCH(bool, moved);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"recordings"_s);
        const QString file = RecordingFolder::dayFilePath(folder, u"2026-12-07"_s);
        FakePrompts prompts;
        Recorder recorder(prompts, fastOptions(folder));
        const QDate day(2026, 12, 7);
        recorder.readingAccepted(at(day, QTime(9, 0)));
        QTRY_COMPARE(recorder.writtenReadings(), 1u);
        if (moved)
            QVERIFY(QDir().rename(folder, dir.filePath(u"elsewhere"_s)));
        else
            QVERIFY(removeFolder(folder));
        for (int i = 1; i <= 3; ++i)
            recorder.readingAccepted(at(day, QTime(9, 0, i)));
        QTRY_COMPARE(recorder.writtenReadings(), 4u);
        QCOMPARE(prompts.messages, QStringList{Recorder::remadeText()});
        QCOMPARE(prompts.details, QStringList{Recorder::remadeDetail(file)});
        QCOMPARE(readBack(file).size(), 3);
        if (moved)
            QCOMPARE(readBack(dir.filePath(u"elsewhere/2026-12-07.csv"_s)).size(), 1);

        // Recording off and on again (and a second removal) go on the same way.
        recorder.setRecordingOn(false);
        recorder.setRecordingOn(true);
        QVERIFY(removeFolder(folder));
        recorder.readingAccepted(at(day, QTime(9, 1)));
        QTRY_VERIFY(QFileInfo::exists(file));
        QTRY_COMPARE(readBack(file).size(), 1);
        QCOMPARE(recorder.lostReadings(), 0u);
    }

    // Two programs on one folder: each has a file of its own, the second says once where it
    // records, and a lock left by a program that died is taken over.
    void secondProgramRecordsBeside()
    {
        QTemporaryDir dir;
        const QDate day(2026, 12, 7);
        FakePrompts firstPrompts, secondPrompts;
        {
            Recorder first(firstPrompts, fastOptions(dir.path()));
            Recorder second(secondPrompts, fastOptions(dir.path()));
            first.readingAccepted(at(day, QTime(9, 0), 1, 1));
            QTRY_COMPARE(first.writtenReadings(), 1u);
            for (int i = 0; i < 3; ++i) {
                second.readingAccepted(at(day, QTime(9, 0, i), 2, 2));
                first.readingAccepted(at(day, QTime(9, 0, i + 1), 1, 1));
                QTest::qWait(30);
            }
            QTRY_COMPARE(second.writtenReadings(), 3u);
            QTRY_COMPARE(first.writtenReadings(), 4u);
        }
        const QString mine = dir.filePath(u"2026-12-07.csv"_s);
        const QString beside = dir.filePath(u"2026-12-07-2.csv"_s);
        QCOMPARE(readBack(mine).size(), 4);
        QCOMPARE(readBack(beside).size(), 3);
        for (const Reading &row : readBack(beside))
            QCOMPARE(row.elevation, 2.0);
        QVERIFY(firstPrompts.messages.isEmpty());
        QCOMPARE(secondPrompts.messages, QStringList{Recorder::besideText(beside, mine)});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (QStringList{u"2026-12-07-2.csv"_s, u"2026-12-07.csv"_s}));

        // A killed program's lock: no such process holds it any more.
        writeFile(mine + u".lock"_s, "2147483646\nkilled\n\n");
        FakePrompts prompts;
        {
            Recorder recorder(prompts, fastOptions(dir.path()));
            recorder.readingAccepted(at(day, QTime(10, 0)));
            QTRY_COMPARE(recorder.writtenReadings(), 1u);
        }
        QCOMPARE(readBack(mine).size(), 5);
        QVERIFY(prompts.messages.isEmpty());
        QVERIFY(!QFileInfo::exists(mine + u".lock"_s));
    }

    // A file that cannot be written: one message naming the file and the reason however many
    // readings follow, a gap in the file, and recording back by itself once the cause is gone.
    void failureToldOnceThenRecordingResumes_data()
    {
        QTest::addColumn<QString>("blocked"); // what stands in the way, relative to the folder
        QTest::addColumn<QString>("reason");
        QTest::newRow("full disk") << "recordings/2026-12-07.csv"
                                   << "No space left on device";
        QTest::newRow("folder is a file") << "recordings"
                                          << "the folder cannot be made";
        QTest::newRow("day file is a folder") << "recordings/2026-12-07.csv"
                                              << "Is a directory";
    }
    void failureToldOnceThenRecordingResumes()
    {
        QFETCH(QString, blocked);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"recordings"_s);
        const QString file = RecordingFolder::dayFilePath(folder, u"2026-12-07"_s);
        const QString obstacle = dir.filePath(blocked);
        QVERIFY(QDir().mkpath(QFileInfo(obstacle).path()));
        if (qstrcmp(QTest::currentDataTag(), "full disk") == 0)
            QVERIFY(QFile::link(u"/dev/full"_s, obstacle));
        else if (blocked.endsWith(u".csv"_s))
            QVERIFY(QDir().mkpath(obstacle));
        else
            writeFile(obstacle, "not a folder");

        FakePrompts prompts;
        Recorder recorder(prompts, fastOptions(folder));
        const QDate day(2026, 12, 7);
        for (int i = 0; i < 10; ++i) {
            recorder.readingAccepted(at(day, QTime(9, 0, i)));
            QTest::qWait(30);
        }
        QTRY_COMPARE(recorder.lostReadings(), 10u);
        QCOMPARE(prompts.messages, QStringList{Recorder::failureText()});
        QVERIFY2(prompts.details[0].startsWith(QString(file + u": "_s + reason + u'.')),
                 qPrintable(prompts.details[0]));
        QVERIFY(prompts.details[0].contains(u"resumes by itself"_s));

        if (QFileInfo(obstacle).isDir() && !QFileInfo(obstacle).isSymLink())
            QVERIFY(QDir(obstacle).removeRecursively());
        else
            QVERIFY(QFile::remove(obstacle));
        for (int i = 10; i < 20; ++i) {
            recorder.readingAccepted(at(day, QTime(9, 0, i)));
            QTest::qWait(30);
        }
        QTRY_COMPARE(recorder.writtenReadings() + recorder.lostReadings(), 20u);
        QVERIFY(recorder.writtenReadings() > 0);
        QCOMPARE(prompts.messages.size(), 1);
        // Only whole rows, from after the cause went away.
        const QList<Reading> rows = readBack(file);
        QCOMPARE(quint64(rows.size()), recorder.writtenReadings());
        QCOMPARE(rows.last().msecsSinceEpoch, at(day, QTime(9, 0, 19)).msecsSinceEpoch);

        // A new failure is a new episode: told again.
        QVERIFY(QFile::link(u"/dev/full"_s, RecordingFolder::dayFilePath(folder, u"2026-12-08"_s)));
        recorder.readingAccepted(at(day.addDays(1), QTime(0, 0)));
        QTRY_COMPARE(prompts.messages.size(), 2);
    }

    // Today's file is a pipe nobody reads: the writer is stuck in the system, the display goes
    // on, the user is told once, and the rows flow as soon as a reader appears.
    void stalledDiskKeepsTheDisplayMoving()
    {
        QTemporaryDir dir;
        const QString file = RecordingFolder::dayFilePath(dir.path(), u"2026-12-07"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);

        FakeSerialControl port;
        FakeChart chart;
        FakeGauge elevation, azimuth;
        OnePort ports;
        FakeClock clock;
        FakePrompts prompts;
        LiveMonitor monitor({port, chart, elevation, azimuth, ports, clock, prompts});
        Recorder::Options options = fastOptions(dir.path());
        options.queueCapacity = 50;
        options.stallMs = 2000; // longer than any delivery may take, see below
        Recorder recorder(prompts, options);
        monitor.setReadingSink(&recorder);
        monitor.mnuStartClick();

        QElapsedTimer slowest;
        qint64 slowestMs = 0;
        for (int i = 0; i < 100; ++i) {
            slowest.start();
            port.deliver(QByteArray::number(i) + ".000,2.000\r\n");
            slowestMs = qMax(slowestMs, slowest.elapsed());
            clock.advance(0.01);
            QTest::qWait(10);
        }
        QTRY_COMPARE_WITH_TIMEOUT(prompts.messages.size(), 1, 10000);
        QCOMPARE(chart.points.size(), 200);
        QCOMPARE(elevation.needle, 99.0);
        // Nothing waits for the disk: a delivery that did would wait for the stuck writer, for
        // ever or until the stall is noticed. A second is far below the stall time and far
        // above a delivery's own cost and whatever a loaded machine adds to it.
        qInfo("slowest delivery with the disk stalled: %lld ms", qlonglong(slowestMs));
        QVERIFY2(slowestMs < 1000, qPrintable(QString::number(slowestMs)));
        // The queue holds 50; the writer took the first few before it got stuck.
        QVERIFY(recorder.lostReadings() > 0 && recorder.lostReadings() <= 50u);
        QVERIFY(prompts.details[0].startsWith(
            QString(file + u": the disk has not accepted anything"_s)));
        QTest::qWait(500);
        QCOMPARE(prompts.messages.size(), 1);

        // A reader appears: what waited and what follows is written, no new message.
        const int reader = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        for (int i = 100; i < 110; ++i) {
            port.deliver(QByteArray::number(i) + ".000,2.000\r\n");
            QTest::qWait(10);
        }
        QByteArray received;
        QTRY_VERIFY([&] {
            char buffer[4096];
            for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
                received.append(buffer, n);
            return received.endsWith("109,2\r\n");
        }());
        QCOMPARE(recorder.writtenReadings() + recorder.lostReadings(), 110u);
        QCOMPARE(received.count('\n'), qsizetype(recorder.writtenReadings()) + 1);
        QVERIFY(received.startsWith("time,elevation,azimuth\r\n2026-12-07T12:00:00.000+01:00,0,2"));
        QCOMPARE(prompts.messages.size(), 1);
        monitor.setReadingSink(nullptr);
        recorder.setRecordingOn(false);
        QTest::qWait(100);
        ::close(reader);
    }

    // Ending the program does not wait for a disk that does not answer; should it answer later,
    // the writer finishes then. A pipe whose reader goes away is a failure, not the program's end.
    void stalledDiskDoesNotHoldTheEnd()
    {
        QTemporaryDir dir;
        const QString file = RecordingFolder::dayFilePath(dir.path(), u"2026-12-07"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        FakePrompts prompts;
        // Only the shutdown and the broken pipe are told here: a loaded machine must not let the
        // stall check speak first.
        Recorder::Options options = fastOptions(dir.path());
        options.stallMs = 60000;
        QElapsedTimer ending;
        {
            Recorder recorder(prompts, options);
            recorder.readingAccepted(at(QDate(2026, 12, 7), QTime(9, 0)));
            QTest::qWait(100);
            ending.start();
        }
        QVERIFY2(ending.elapsed() < 4500, qPrintable(QString::number(ending.elapsed())));
        const int reader = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        // The writer left behind finishes once the pipe has a reader.
        qsizetype received = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                char buffer[256];
                for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
                    received += n;
                return received > 0;
            }(),
            5000);
        ::close(reader);

        QCOMPARE(prompts.messages, QStringList());
        Recorder recorder(prompts, options);
        const int second = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK);
        recorder.readingAccepted(at(QDate(2026, 12, 7), QTime(9, 0, 1)));
        QTRY_COMPARE(recorder.writtenReadings(), 1u);
        ::close(second);
        recorder.readingAccepted(at(QDate(2026, 12, 7), QTime(9, 0, 2)));
        QTRY_COMPARE(prompts.messages.size(), 1);
        QVERIFY2(prompts.details[0].contains(u"Broken pipe"_s), qPrintable(prompts.details[0]));
    }

    // Off by the user's choice or for this run: nothing is written, no folder is made.
    void offMeansNothingWritten()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"recordings"_s);
        FakePrompts prompts;
        Recorder::Options options = fastOptions(folder);
        options.enabledThisRun = false;
        {
            Recorder recorder(prompts, options);
            QVERIFY(!recorder.isRecording());
            recorder.readingAccepted(at(QDate(2026, 12, 7), QTime(9, 0)));
        }
        QVERIFY(!QFileInfo::exists(folder));

        Recorder recorder(prompts, fastOptions(folder));
        recorder.readingAccepted(at(QDate(2026, 12, 7), QTime(9, 0, 1)));
        QTRY_COMPARE(recorder.writtenReadings(), 1u);
        recorder.setRecordingOn(false);
        recorder.readingAccepted(at(QDate(2026, 12, 7), QTime(9, 0, 2)));
        recorder.setRecordingOn(true);
        recorder.readingAccepted(at(QDate(2026, 12, 7), QTime(9, 0, 3)));
        QTRY_COMPARE(recorder.writtenReadings(), 2u);
        const QList<Reading> rows = readBack(RecordingFolder::dayFilePath(folder, u"2026-12-07"_s));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(RecordRow::localSecondOfDay(rows[1]), 9 * 3600 + 3);
    }

    // The cap takes a day's copies and their events with it; locks and other files stay.
    void capTakesADaysCopiesAndEvents()
    {
        QTemporaryDir dir;
        for (const char *name :
             {"2026-12-05-2.csv", "2026-12-05.events.csv", "2026-12-05.csv",
              "2026-12-05-2.events.csv", "2026-12-06.csv", "2026-12-06.events.csv"})
            writeFile(dir.filePath(QString::fromLatin1(name)), QByteArray(100, 'x'));
        for (const char *name : {"2026-12-04.events.csv", "2026-12-07-2.csv.lock", "2026-12-07.csv",
                                 "2026-12-07-2.csv"})
            writeFile(dir.filePath(QString::fromLatin1(name)), QByteArray(10, 'x'));
        const auto pruned = RecordingFolder::prune(dir.path(), 300, u"2026-12-07"_s);
        QCOMPARE(pruned.deleted,
                 (QStringList{u"2026-12-05.csv"_s, u"2026-12-05.events.csv"_s,
                              u"2026-12-05-2.csv"_s, u"2026-12-05-2.events.csv"_s}));
        QCOMPARE(pruned.folderBytes, 230); // the lock does not count
        const auto none = RecordingFolder::prune(dir.path(), 0, u"2026-12-07"_s);
        QCOMPARE(none.deleted, (QStringList{u"2026-12-06.csv"_s, u"2026-12-06.events.csv"_s}));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (QStringList{u"2026-12-04.events.csv"_s, u"2026-12-07-2.csv"_s,
                              u"2026-12-07-2.csv.lock"_s, u"2026-12-07.csv"_s}));
    }

    void dayFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("copy");
        QTest::newRow("day") << "2026-12-07.csv" << 1;
        QTest::newRow("second copy") << "2026-12-07-2.csv" << 2;
        QTest::newRow("twelfth copy") << "2026-12-07-12.csv" << 12;
        QTest::newRow("upper case") << "2026-12-07.CSV" << 0;
        QTest::newRow("short month") << "2026-1-07.csv" << 0;
        QTest::newRow("copy one") << "2026-12-07-1.csv" << 0;
        QTest::newRow("leading zero") << "2026-12-07-02.csv" << 0;
        QTest::newRow("events") << "2026-12-07.events.csv" << 0;
        QTest::newRow("copy's events") << "2026-12-07-2.events.csv" << 0;
        QTest::newRow("lock") << "2026-12-07.csv.lock" << 0;
        QTest::newRow("copy of a file") << "2026-11-01-copy.csv" << 0;
    }
    void dayFileNames()
    {
        QFETCH(QString, name);
        QFETCH(int, copy);
        QCOMPARE(RecordingFolder::copyOf(name), copy);
        QCOMPARE(RecordingFolder::isDayFileName(name), copy > 0);
    }

    void defaultFolderIsUnderTheApplicationsData()
    {
        QVERIFY(RecordingFolder::defaultPath().endsWith(u"/recordings"_s));
        QCOMPARE(RecordingFolder::defaultPath(),
                 QString(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                         u"/recordings"_s));
        FakePrompts prompts;
        Recorder::Options options;
        options.enabledThisRun = false;
        QCOMPARE(Recorder(prompts, options).folder(), RecordingFolder::defaultPath());
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
