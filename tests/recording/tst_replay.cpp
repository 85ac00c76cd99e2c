// Reading recordings back into a chart store, and writing a store out as a recording.
#include "WriteFile.h"
#include "chartdata/ChartStore.h"
#include "recording/ChartExport.h"
#include "recording/JobProgress.h"
#include "recording/RecordingReader.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

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

// X as the live chart makes it: whole seconds over 86400, plus whole days past midnight.
double at(int h, int m, int s, int day = 0)
{
    return double((h * 60 + m) * 60 + s) / 86400.0 + day;
}

double timeOfDay(int second)
{
    return double(second % 86400) / 86400.0;
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
        const RecordingLoad result = load(file("good.csv", text), store);
        QCOMPARE(result.status, RecordingLoad::Status::Loaded);
        QCOMPARE(result.readings, 4);
        QCOMPARE(result.badRows, 0);
        QVERIFY(!result.tornLastLine);
        QCOMPARE(result.dayZero, QDate(2026, 12, 7));
        const auto s = store.snapshot();
        QCOMPARE(pointsOf(s[0]),
                 (QList<Point>{{at(14, 5, 9), 12.5}, {at(14, 5, 9), 13}, {at(14, 5, 11), 1e-300}}));
        QCOMPARE(pointsOf(s[1]), (QList<Point>{{at(14, 5, 9), -3.25},
                                               {at(14, 5, 10), 200},
                                               {at(14, 5, 11), 359.99999999999994}}));

        // A byte order mark, as some editors save, and LF line ends.
        ChartStore marked;
        QCOMPARE(load(file("bom.csv", "\xEF\xBB\xBFtime,elevation,azimuth\n"
                                      "2026-12-07T14:05:09.123+01:00,1,2\n"),
                      marked)
                     .readings,
                 1);
    }

    // Bad rows are skipped and counted; blank lines and repeated headers are not rows; a last
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
                          "time,elevation,azimuth\r\n";
        text += "2026-12-07T14:05:10.000+01:00," + QByteArray(5000, '1') + ",2\r\n";
        text += QByteArray(3000, '\0') + "\r\n";
        text += "2026-12-07T14:05:11.000+01:00,3,4\r\n"
                "2026-12-07T14:05:12.000+01:00,5,";
        ChartStore store;
        const RecordingLoad result = load(file("bad.csv", text), store);
        QCOMPARE(result.status, RecordingLoad::Status::Loaded);
        QCOMPARE(result.readings, 2);
        QCOMPARE(result.badRows, 6);
        QVERIFY(result.tornLastLine);
        QCOMPARE(store.trace(0).appended(), 2u);
        QCOMPARE(store.trace(0).lastX(), at(14, 5, 11));
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
    }

    void notRecordingsRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        ChartStore store;
        const RecordingLoad result = load(file("refused.csv", bytes), store);
        QCOMPARE(result.status, RecordingLoad::Status::Refused);
        QVERIFY2(result.reason.contains(reason), qPrintable(result.reason));
    }

    void unreadableRefused()
    {
        ChartStore store;
        RecordingLoad result = load(dir_.filePath("missing.csv"), store);
        QCOMPARE(result.status, RecordingLoad::Status::Refused);
        QVERIFY2(result.reason.contains("cannot be read"), qPrintable(result.reason));
        result = load(dir_.path(), store);
        QCOMPARE(result.status, RecordingLoad::Status::Refused);
        QVERIFY2(result.reason.contains("folder"), qPrintable(result.reason));
    }

    // A file that runs past midnight goes on to the right as the live chart does, and an
    // export dates the points after midnight one day later.
    void spanningMidnight()
    {
        const QByteArray text = "time,elevation,azimuth\r\n"
                                "2026-12-07T23:59:58.500+01:00,1,10\r\n"
                                "2026-12-07T23:59:59.999+01:00,2,20\r\n"
                                "2026-12-08T00:00:00.000+01:00,3,30\r\n"
                                "2026-12-08T00:00:01.000+01:00,4,40\r\n";
        ChartStore store;
        const RecordingLoad result = load(file("midnight.csv", text), store);
        QCOMPARE(result.dayZero, QDate(2026, 12, 7));
        QCOMPARE(pointsOf(store.snapshot()[0]), (QList<Point>{{at(23, 59, 58), 1},
                                                              {at(23, 59, 59), 2},
                                                              {at(0, 0, 0, 1), 3},
                                                              {at(0, 0, 1, 1), 4}}));

        QBuffer out;
        out.open(QIODevice::WriteOnly);
        JobProgress progress;
        ChartExport::write(store.snapshot(), result.dayZero, out, progress);
        QCOMPARE(out.data(), QByteArray("time,elevation,azimuth\r\n"
                                        "2026-12-07T23:59:58.000+01:00,1,10\r\n"
                                        "2026-12-07T23:59:59.000+01:00,2,20\r\n"
                                        "2026-12-08T00:00:00.000+01:00,3,30\r\n"
                                        "2026-12-08T00:00:01.000+01:00,4,40\r\n"));
    }

    // Points sharing a second are paired in order; the leftovers get an empty field. Times
    // carry the local offset of their own date (summer time here).
    void exportPairsPointsBySecond()
    {
        ChartStore store;
        const double x = at(12, 0, 0);
        store.append(0, x, 1);
        store.append(1, x, 10);
        store.append(0, x, 2);
        store.append(0, x, 3);
        store.append(1, at(12, 0, 1), 11);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        JobProgress progress;
        const auto result = ChartExport::write(store.snapshot(), QDate(2026, 7, 1), out, progress);
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
            const double tod = timeOfDay(start + i / 74);
            store.append(0, tod, std::sin(i * 0.001) * 90);
            if (i % 5000 < 4000)
                store.append(1, tod, i * 0.003);
        }
        const QString path = dir_.filePath("export.csv");
        JobProgress progress;
        const auto written =
            ChartExport::save(store.snapshot(), QDate(2026, 3, 28), path, progress);
        QCOMPARE(written.status, ChartExport::Result::Status::Written);
        QCOMPARE(progress.done.load(), progress.total.load());

        ChartStore reloaded;
        const RecordingLoad result = load(path, reloaded);
        QCOMPARE(result.status, RecordingLoad::Status::Loaded);
        QCOMPARE(result.badRows, 0);
        QCOMPARE(result.dayZero, QDate(2026, 3, 28));
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
            store.append(0, timeOfDay(36000 + i / 74), i);
        const QString path = dir_.filePath("cancelled.csv");
        JobProgress progress;
        progress.cancelled = true;
        auto result = ChartExport::save(store.snapshot(), QDate(2026, 1, 1), path, progress);
        QCOMPARE(result.status, ChartExport::Result::Status::Cancelled);
        QVERIFY(!QFile::exists(path));

        const QString kept = file("kept.csv", "keep me");
        result = ChartExport::save(store.snapshot(), QDate(2026, 1, 1), kept, progress);
        QCOMPARE(result.status, ChartExport::Result::Status::Cancelled);
        QFile f(kept);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("keep me"));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files).filter("cancelled").size(), 0);

        JobProgress fresh;
        result = ChartExport::save(store.snapshot(), QDate(2026, 1, 1),
                                   dir_.filePath("no/such/folder/x.csv"), fresh);
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
        QCOMPARE(RecordingReader::load(file("c.csv", text), store, progress).status,
                 RecordingLoad::Status::Cancelled);
    }

    // A snapshot stays as it was while the store goes on, is cleared or thins.
    void snapshotOutlivesChangesToTheStore()
    {
        ChartStore store(0.2);
        for (int i = 0; i < 100000; ++i)
            store.append(0, timeOfDay(i / 10), i);
        const auto snapshot = store.snapshot();
        const QList<Point> before = pointsOf(snapshot[0]);
        for (int i = 100000; i < 400000; ++i)
            store.append(0, timeOfDay(i / 10), i);
        QVERIFY(store.trace(0).archiveBuckets() > 0);
        store.clear();
        QCOMPARE(pointsOf(snapshot[0]), before);
        QCOMPARE(before.size(), 100000);
        QCOMPARE(before.last(), (Point{timeOfDay(9999), 99999}));
    }
};

QTEST_GUILESS_MAIN(TestReplay)
#include "tst_replay.moc"
