#include "ScopedDefaultLocale.h"
#include "recording/RecordRow.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>
#include <QtTest>

#include <cfloat>
#include <cmath>
#include <limits>

namespace
{

Reading readingAt(const QDateTime &time, double elevation, double azimuth)
{
    return {time.toMSecsSinceEpoch(), time.offsetFromUtc(), elevation, azimuth};
}

QByteArray rowOf(const Reading &reading)
{
    QByteArray row;
    RecordRow::append(row, reading);
    return row;
}

bool sameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

} // namespace

class TestRecordRow : public QObject
{
    Q_OBJECT

private slots:
    void rowTextIsIsoTimeWithOffsetAndShortestValues()
    {
        const QDateTime time(QDate(2026, 12, 7), QTime(14, 5, 9, 123), QTimeZone(3600));
        QCOMPARE(rowOf(readingAt(time, 12.5, -3.25)),
                 QByteArray("2026-12-07T14:05:09.123+01:00,12.5,-3.25\r\n"));
        const QDateTime west(QDate(2026, 1, 2), QTime(0, 0, 0, 7),
                             QTimeZone(-(9 * 3600 + 30 * 60)));
        QCOMPARE(rowOf(readingAt(west, 0.1, std::nan(""))),
                 QByteArray("2026-01-02T00:00:00.007-09:30,0.1,\r\n"));
        QCOMPARE(RecordRow::localDate(readingAt(west, 0, 0)), QByteArray("2026-01-02"));
        QCOMPARE(RecordRow::localSecondOfDay(readingAt(time, 0, 0)), 14 * 3600 + 5 * 60 + 9);
        QVERIFY(RecordRow::isHeader(RecordRow::header().chopped(2)));
        QVERIFY(RecordRow::isHeader("time,elevation,azimuth\r"));
    }

    // Whatever the default locale, a row reads back to the very same values and moment.
    void rowsReadBackEqualInEveryLocale_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char *name : {"C", "de_DE", "fr_FR", "ar_EG", "hi_IN", "sv_SE"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void rowsReadBackEqualInEveryLocale()
    {
        QFETCH(QString, locale);
        const ScopedDefaultLocale scoped{QLocale(locale)};
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double values[] = {0.0,      -0.0,    0.1,      -89.95, 359.999999999, DBL_MAX,
                                 -DBL_MAX, DBL_MIN, 4.9e-324, 1e-300, 123456789.125, nan};
        const QDateTime base(QDate(2026, 3, 29), QTime(1, 59, 59, 999),
                             QTimeZone(5 * 3600 + 45 * 60));
        for (double elevation : values) {
            for (double azimuth : {elevation, -elevation, nan}) {
                const Reading written = readingAt(base, elevation, azimuth);
                const QByteArray row = rowOf(written);
                const auto read = RecordRow::parse(QByteArrayView(row).chopped(1));
                QVERIFY2(read.has_value(), row.constData());
                QCOMPARE(read->msecsSinceEpoch, written.msecsSinceEpoch);
                QCOMPARE(read->utcOffsetSeconds, written.utcOffsetSeconds);
                QVERIFY2(sameValue(read->elevation, elevation), row.constData());
                QVERIFY2(sameValue(read->azimuth, azimuth), row.constData());
            }
        }
    }

    void rowsThatAreNotCompleteAreRefused_data()
    {
        QTest::addColumn<QByteArray>("line");
        const QByteArray good = "2026-12-07T14:05:09.123+01:00,12.5,-3.25";
        // A line cut before its azimuth field: a cut inside the last value still parses, which is
        // why readers drop a last line that has no line end.
        for (qsizetype cut = 0; cut <= good.lastIndexOf(','); ++cut)
            QTest::newRow(qPrintable(QStringLiteral("torn at ") + QString::number(cut)))
                << good.left(cut);
        QTest::newRow("fourth field") << good + ",1";
        QTest::newRow("text value") << QByteArray("2026-12-07T14:05:09.123+01:00,abc,1");
        QTest::newRow("value too large") << QByteArray("2026-12-07T14:05:09.123Z,1e400,1");
        QTest::newRow("inf") << QByteArray("2026-12-07T14:05:09.123Z,inf,1");
        QTest::newRow("blank in value") << QByteArray("2026-12-07T14:05:09.123Z, 1,1");
        QTest::newRow("31 November") << QByteArray("2026-11-31T14:05:09.123Z,1,1");
        QTest::newRow("29 February 2026") << QByteArray("2026-02-29T14:05:09.123Z,1,1");
        QTest::newRow("hour 24") << QByteArray("2026-12-07T24:05:09.123Z,1,1");
        QTest::newRow("no milliseconds") << QByteArray("2026-12-07T14:05:09+01:00,1,1");
        QTest::newRow("header") << QByteArray("time,elevation,azimuth");
        QTest::newRow("binary") << QByteArray("\x00\xff,\x01,\x02", 7);
    }
    void rowsThatAreNotCompleteAreRefused()
    {
        QFETCH(QByteArray, line);
        QVERIFY(!RecordRow::parse(line).has_value());
    }

    void utcAndLeapDayRead()
    {
        const auto leap = RecordRow::parse("2024-02-29T23:59:59.999Z,1,2");
        QVERIFY(leap.has_value());
        QCOMPARE(leap->msecsSinceEpoch,
                 QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999), QTimeZone::utc())
                     .toMSecsSinceEpoch());
        QCOMPARE(RecordRow::localDate(*leap), QByteArray("2024-02-29"));
    }
};

QTEST_GUILESS_MAIN(TestRecordRow)
#include "tst_recordrow.moc"
