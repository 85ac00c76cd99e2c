// Reading recordings back into a chart store, and writing a store out as a recording.
#include "WriteFile.h"
#include "chartdata/ChartStore.h"
#include "chartdata/ChartTime.h"
#include "recording/ChartExport.h"
#include "recording/JobProgress.h"
#include "recording/RecordingReader.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace
{

struct Point {
    double x;
    double y;
    bool operator==(const Point &) const = default;
};

QList<Point> pointsOf(const TraceSeries::Snapshot &s)
{
    QList<Point> points;
    for (std::size_t g = 0; g < s.groupCount(); ++g) {
        for (std::uint64_t k = 0; k < s.groupSize(g); ++k)
            points.append({s.groupX(g), s.y(g, k)});
    }
    return points;
}

char *toString(const Point &p)
{
    return QTest::toString(QStringLiteral("(%1 s, %2)").arg(p.x * 86400, 0, 'f', 3).arg(p.y));
}

// X of a local time with its offset ("2026-12-07T14:05:09+01:00"), in whole seconds.
double at(const char *iso)
{
    const QDateTime t = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
    Q_ASSERT(t.isValid());
    return ChartTime::fromMsecs(t.toMSecsSinceEpoch());
}

// X of 2026-03-28 00:00 in the test's zone plus whole seconds.
double second(int s)
{
    return ChartTime::fromMsecs(ChartTime::toMsecs(at("2026-03-28T00:00:00+01:00")) +
                                qint64(s) * 1000);
}

QByteArray exported(const ChartStore &store)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    JobProgress progress;
    ChartExport::write(store.snapshot(), store.offsets(), out, progress);
    return out.data();
}

} // namespace

class TestReplay : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(dir_.filePath(name), bytes);
    }

    RecordingLoad load(const QString &path, ChartStore &store)
    {
        JobProgress progress;
        return RecordingReader::load(path, store, progress);
    }

private slots:
    void initTestCase()
    {
        // A zone with summer time, whatever the machine's, so offsets are known.
        qputenv("TZ", "Europe/Berlin");
        QVERIFY(dir_.isValid());
    }

    void readsRowsAsTheLiveChartPlotsThem()
    {
        const QByteArray text = "time,elevation,azimuth\r\n"
                                "2026-12-07T14:05:09.123+01:00,12.5,-3.25\r\n"
                                "2026-12-07T14:05:09.800+01:00,13,\r\n"
                                "2026-12-07T14:05:10.001+01:00,,200\n"
                                "2026-12-07T14:05:11.000+01:00,1e-300,359.99999999999994\r\n";
        ChartStore store;
        const RecordingLoad result = load(file(u"good.csv"_s, text), store);
        QCOMPARE(result.status, RecordingLoad::Status::Loaded);
        QCOMPARE(result.readings, 4);
        QCOMPARE(result.badRows, 0);
        QVERIFY(!result.tornLastLine);
        QCOMPARE(result.firstDate, QDate(2026, 12, 7));
        const auto s = store.snapshot();
        const double t9 = at("2026-12-07T14:05:09+01:00");
        const double t10 = at("2026-12-07T14:05:10+01:00");
        const double t11 = at("2026-12-07T14:05:11+01:00");
        QCOMPARE(pointsOf(s[0]), (QList<Point>{{t9, 12.5}, {t9, 13}, {t11, 1e-300}}));
        QCOMPARE(pointsOf(s[1]),
                 (QList<Point>{{t9, -3.25}, {t10, 200}, {t11, 359.99999999999994}}));

        // A byte order mark, as some editors save, and LF line ends.
        ChartStore marked;
        QCOMPARE(load(file(u"bom.csv"_s, "\xEF\xBB\xBFtime,elevation,azimuth\n"
                                         "2026-12-07T14:05:09.123+01:00,1,2\n"),
                      marked)
                     .readings,
                 1);
    }

    // Bad rows are skipped and counted; blank lines, repeated headers and rows without a value
    // are not readings; a last
    // line without its line end was torn by a crash and is skipped without counting.
    void badRowsCountedTornLineSkipped()
    {
        QByteArray text = "time,elevation,azimuth\r\n"
                          "2026-12-07T14:05:09.123+01:00,1,2\r\n"
                          "garbage\r\n"
                          "2026-12-07T25:05:09.123+01:00,1,2\r\n"
                          "2026-12-07T14:05:09.123+01:00,1,2,3\r\n"
                          "2026-12-07T14:05:09.123+01:00,abc,2\r\n"
                          "\r\n"
                          "2026-12-07T14:05:09.500+01:00,,\r\n"
                          "time,elevation,azimuth\r\n";
        text += "2026-12-07T14:05:10.000+01:00," + QByteArray(5000, '1') + ",2\r\n";
        text += QByteArray(3000, '\0') + "\r\n";
        text += "2026-12-07T14:05:11.000+01:00,3,4\r\n"
                "2026-12-07T14:05:12.000+01:00,5,";
        ChartStore store;
        const RecordingLoad result = load(file(u"bad.csv"_s, text), store);
        QCOMPARE(result.status, RecordingLoad::Status::Loaded);
        QCOMPARE(result.readings, 2);
        QCOMPARE(result.badRows, 6);
        QVERIFY(result.tornLastLine);
        QCOMPARE(store.trace(0).appended(), 2u);
        QCOMPARE(store.trace(0).lastX(), at("2026-12-07T14:05:11+01:00"));
    }

    // Whatever way the bytes are split, the parser reads the same.
    void anySplitReadsTheSame()
    {
        const QByteArray text = "time,elevation,azimuth\r\n"
                                "2026-12-07T14:05:09.123+01:00,1,2\r\n"
                                "bad\r\n"
                                "2026-12-07T14:05:10.000+01:00,3,\r\n"
                                "2026-12-07T14:05:11";
        for (qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(7), text.size()}) {
            QList<double> values;
            RecordingParser parser([&](const Reading &r) { values.append(r.elevation); });
            for (qsizetype i = 0; i < text.size(); i += piece)
                parser.feed(QByteArrayView(text).sliced(i, std::min(piece, text.size() - i)));
            parser.finish();
            QCOMPARE(values, (QList<double>{1, 3}));
            QCOMPARE(parser.badRows(), 1);
            QVERIFY(parser.tornLastLine());
        }
    }

    void notRecordingsRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << "empty";
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << "binary";
        QTest::newRow("other text") << QByteArray("name,value\r\na,1\r\n") << "header row";
        QTest::newRow("one long line") << QByteArray(100000, 'a') << "header row";
        QTest::newRow("header only") << QByteArray("time,elevation,azimuth\r\n") << "no readings";
        QTest::newRow("torn header") << QByteArray("time,elevation,azimuth") << "no readings";
        QTest::newRow("no good row")
            << QByteArray("time,elevation,azimuth\r\nx\r\ny\r\n") << "None of its 2 rows";
        QTest::newRow("only empty values")
            << QByteArray("time,elevation,azimuth\r\n2026-12-07T14:05:09.123+01:00,,\r\n"
                          "2026-12-07T14:05:10.123+01:00,,\r\n")
            << "no readings";
    }

    void notRecordingsRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        ChartStore store;
        const RecordingLoad result = load(file(u"refused.csv"_s, bytes), store);
        QCOMPARE(result.status, RecordingLoad::Status::Refused);
        QVERIFY2(result.reason.contains(reason), qPrintable(result.reason));
    }

    void unreadableRefused()
    {
        ChartStore store;
        RecordingLoad result = load(dir_.filePath(u"missing.csv"_s), store);
        QCOMPARE(result.status, RecordingLoad::Status::Refused);
        QVERIFY2(result.reason.contains(u"cannot be read"_s), qPrintable(result.reason));
        result = load(dir_.path(), store);
        QCOMPARE(result.status, RecordingLoad::Status::Refused);
        QVERIFY2(result.reason.contains(u"folder"_s), qPrintable(result.reason));
        // Refused before reading: a pipe nobody writes would hold the reading for ever.
        const QString fifo = dir_.filePath(u"pipe.csv"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        result = load(fifo, store);
        QCOMPARE(result.status, RecordingLoad::Status::Refused);
        QVERIFY2(result.reason.contains(u"not a file"_s), qPrintable(result.reason));
    }

    // Each row at its own date, time and offset: days one after the other, a daylight-saving
    // change as it happened, other offsets kept, a row going back in time skipped and counted.
    // The export writes every placed row's date, time (whole seconds) and offset again.
    void readBackAtTheTrueTime_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<int>("spanSeconds");
        QTest::addColumn<int>("outOfOrder");
        QTest::addColumn<QDate>("firstDate");
        QTest::addColumn<QDate>("lastDate");

        QTest::newRow("midnight and days later")
            << QByteArray("2026-12-07T23:59:58.500+01:00,1,10\r\n"
                          "2026-12-08T00:00:00.000+01:00,2,20\r\n"
                          "2026-12-09T23:59:58.000+01:00,3,30\r\n")
            << QByteArray("2026-12-07T23:59:58.000+01:00,1,10\r\n"
                          "2026-12-08T00:00:00.000+01:00,2,20\r\n"
                          "2026-12-09T23:59:58.000+01:00,3,30\r\n")
            << 2 * 86400 << 0 << QDate(2026, 12, 7) << QDate(2026, 12, 9);
        QTest::newRow("other years") << QByteArray("2025-01-01T12:00:00.000+01:00,1,10\r\n"
                                                   "2026-12-07T12:00:00.000+01:00,2,20\r\n")
                                     << QByteArray("2025-01-01T12:00:00.000+01:00,1,10\r\n"
                                                   "2026-12-07T12:00:00.000+01:00,2,20\r\n")
                                     << 705 * 86400 << 0 << QDate(2025, 1, 1) << QDate(2026, 12, 7);
        QTest::newRow("repeated hour") << QByteArray("2026-10-25T02:59:59.000+02:00,1,10\r\n"
                                                     "2026-10-25T02:00:00.000+01:00,2,20\r\n"
                                                     "2026-10-25T02:50:00.000+01:00,3,30\r\n"
                                                     "2026-10-25T03:00:00.000+01:00,4,40\r\n")
                                       << QByteArray("2026-10-25T02:59:59.000+02:00,1,10\r\n"
                                                     "2026-10-25T02:00:00.000+01:00,2,20\r\n"
                                                     "2026-10-25T02:50:00.000+01:00,3,30\r\n"
                                                     "2026-10-25T03:00:00.000+01:00,4,40\r\n")
                                       << 3601 << 0 << QDate(2026, 10, 25) << QDate(2026, 10, 25);
        QTest::newRow("skipped hour") << QByteArray("2026-03-29T01:59:59.000+01:00,1,10\r\n"
                                                    "2026-03-29T03:00:00.000+02:00,2,20\r\n")
                                      << QByteArray("2026-03-29T01:59:59.000+01:00,1,10\r\n"
                                                    "2026-03-29T03:00:00.000+02:00,2,20\r\n")
                                      << 1 << 0 << QDate(2026, 3, 29) << QDate(2026, 3, 29);
        QTest::newRow("offsets of other zones")
            << QByteArray("2026-12-07T10:00:00.000+05:00,1,10\r\n"
                          "2026-12-06T21:00:01.000-08:00,2,20\r\n")
            << QByteArray("2026-12-07T10:00:00.000+05:00,1,10\r\n"
                          "2026-12-06T21:00:01.000-08:00,2,20\r\n")
            << 1 << 0 << QDate(2026, 12, 6) << QDate(2026, 12, 7);
        QTest::newRow("out of order") << QByteArray("2026-12-07T10:00:05.000+01:00,1,10\r\n"
                                                    "2026-12-07T10:00:01.000+01:00,2,20\r\n"
                                                    "2026-12-07T10:00:05.500+01:00,3,30\r\n"
                                                    "2026-12-07T10:00:05.400+01:00,4,40\r\n"
                                                    "2026-12-07T10:00:06.000+01:00,5,50\r\n")
                                      << QByteArray("2026-12-07T10:00:05.000+01:00,1,10\r\n"
                                                    "2026-12-07T10:00:05.000+01:00,3,30\r\n"
                                                    "2026-12-07T10:00:06.000+01:00,5,50\r\n")
                                      << 1 << 2 << QDate(2026, 12, 7) << QDate(2026, 12, 7);
    }

    void readBackAtTheTrueTime()
    {
        QFETCH(QByteArray, rows);
        QFETCH(QByteArray, written);
        QFETCH(int, spanSeconds);
        QFETCH(int, outOfOrder);
        QFETCH(QDate, firstDate);
        QFETCH(QDate, lastDate);
        const QByteArray header = "time,elevation,azimuth\r\n";
        ChartStore store;
        const RecordingLoad result = load(file(u"true-time.csv"_s, header + rows), store);
        QCOMPARE(result.status, RecordingLoad::Status::Loaded);
        QCOMPARE(result.outOfOrder, outOfOrder);
        QCOMPARE(result.readings, rows.count('\n') - outOfOrder);
        QCOMPARE(result.firstDate, firstDate);
        QCOMPARE(result.lastDate, lastDate);
        QCOMPARE(std::llround((store.newestX() - store.trace(0).firstX()) * 86400), spanSeconds);
        // Every row a point of its own second: nothing piled onto another row's place.
        QCOMPARE(qsizetype(store.trace(0).appended()), rows.count('\n') - outOfOrder);
        QCOMPARE(exported(store), header + written);
    }

    // Points sharing a second are paired in order; the leftovers get an empty field. Where no
    // offset was noted, times carry the system's offset of their own date (summer time here).
    void exportPairsPointsBySecond()
    {
        ChartStore store;
        const double x = at("2026-07-01T12:00:00+02:00");
        store.append(0, x, 1);
        store.append(1, x, 10);
        store.append(0, x, 2);
        store.append(0, x, 3);
        store.append(1, at("2026-07-01T12:00:01+02:00"), 11);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        JobProgress progress;
        const auto result = ChartExport::write(store.snapshot(), UtcOffsetRuns(), out, progress);
        QCOMPARE(result.status, ChartExport::Result::Status::Written);
        QCOMPARE(result.rows, 4);
        QCOMPARE(out.data(), QByteArray("time,elevation,azimuth\r\n"
                                        "2026-07-01T12:00:00.000+02:00,1,10\r\n"
                                        "2026-07-01T12:00:00.000+02:00,2,\r\n"
                                        "2026-07-01T12:00:00.000+02:00,3,\r\n"
                                        "2026-07-01T12:00:01.000+02:00,,11\r\n"));
        QCOMPARE(progress.done.load(), 5);
    }

    // Export, then read back: the very same points, over several chunks of the store, a
    // midnight and a stretch with one trace silent.
    void exportThenReloadGivesTheSamePoints()
    {
        ChartStore store;
        const int start = (23 * 60 + 50) * 60;
        for (int i = 0; i < 120000; ++i) {
            const double tod = second(start + i / 74);
            store.append(0, tod, std::sin(i * 0.001) * 90);
            if (i % 5000 < 4000)
                store.append(1, tod, i * 0.003);
        }
        const QString path = dir_.filePath(u"export.csv"_s);
        JobProgress progress;
        const auto written = ChartExport::save(store.snapshot(), store.offsets(), path, progress);
        QCOMPARE(written.status, ChartExport::Result::Status::Written);
        QCOMPARE(progress.done.load(), progress.total.load());

        ChartStore reloaded;
        const RecordingLoad result = load(path, reloaded);
        QCOMPARE(result.status, RecordingLoad::Status::Loaded);
        QCOMPARE(result.badRows, 0);
        QCOMPARE(result.firstDate, QDate(2026, 3, 28));
        QCOMPARE(result.lastDate, QDate(2026, 3, 29));
        const auto before = store.snapshot();
        const auto after = reloaded.snapshot();
        for (int t = 0; t < 2; ++t)
            QCOMPARE(pointsOf(after[t]), pointsOf(before[t]));
    }

    // A cancelled or failed export leaves nothing under the chosen name, and a file already
    // there as it was.
    void cancelledOrFailedExportLeavesNoFile()
    {
        ChartStore store;
        for (int i = 0; i < 200000; ++i)
            store.append(0, second(36000 + i / 74), i);
        const QString path = dir_.filePath(u"cancelled.csv"_s);
        JobProgress progress;
        progress.cancelled = true;
        auto result = ChartExport::save(store.snapshot(), UtcOffsetRuns(), path, progress);
        QCOMPARE(result.status, ChartExport::Result::Status::Cancelled);
        QVERIFY(!QFile::exists(path));

        const QString kept = file(u"kept.csv"_s, "keep me");
        result = ChartExport::save(store.snapshot(), UtcOffsetRuns(), kept, progress);
        QCOMPARE(result.status, ChartExport::Result::Status::Cancelled);
        QFile f(kept);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("keep me"));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files).filter(u"cancelled"_s).size(), 0);

        JobProgress fresh;
        result = ChartExport::save(store.snapshot(), UtcOffsetRuns(),
                                   dir_.filePath(u"no/such/folder/x.csv"_s), fresh);
        QCOMPARE(result.status, ChartExport::Result::Status::Failed);
        QVERIFY(!result.error.isEmpty());
    }

    void cancelledLoadStops()
    {
        QByteArray text = "time,elevation,azimuth\r\n";
        for (int i = 0; i < 10; ++i)
            text += "2026-12-07T14:05:09.123+01:00,1,2\r\n";
        ChartStore store;
        JobProgress progress;
        progress.cancelled = true;
        QCOMPARE(RecordingReader::load(file(u"c.csv"_s, text), store, progress).status,
                 RecordingLoad::Status::Cancelled);
    }

    // A snapshot stays as it was while the store goes on, is cleared or thins.
    void snapshotOutlivesChangesToTheStore()
    {
        ChartStore store(0.2);
        for (int i = 0; i < 100000; ++i)
            store.append(0, second(i / 10), i);
        const auto snapshot = store.snapshot();
        const QList<Point> before = pointsOf(snapshot[0]);
        for (int i = 100000; i < 400000; ++i)
            store.append(0, second(i / 10), i);
        QVERIFY(store.trace(0).archiveBuckets() > 0);
        store.clear();
        QCOMPARE(pointsOf(snapshot[0]), before);
        QCOMPARE(before.size(), 100000);
        QCOMPARE(before.last(), (Point{second(9999), 99999}));
    }
};

QTEST_GUILESS_MAIN(TestReplay)
#include "tst_replay.moc"
