// A remote mast's readings placed in time: never after this clock's now, never before the reading
// shown before them.
#include "app/RemoteReadingOrder.h"

#include <QtTest>

class TestRemoteReadings : public QObject
{
    Q_OBJECT

private slots:
    void placed_data()
    {
        // Each step: the reading's time and this clock's now; the time shown, -1 for skipped.
        QTest::addColumn<QList<qint64>>("readings");
        QTest::addColumn<QList<qint64>>("nows");
        QTest::addColumn<QList<qint64>>("shown");

        QTest::newRow("in order, behind this clock")
            << QList<qint64>{1000, 2000, 3000} << QList<qint64>{5000, 5000, 5000}
            << QList<qint64>{1000, 2000, 3000};
        QTest::newRow("a publisher's clock ahead: shown now")
            << QList<qint64>{10000, 11000} << QList<qint64>{5000, 6000}
            << QList<qint64>{5000, 6000};
        QTest::newRow("sent again after a broker restart: the older ones skipped")
            << QList<qint64>{1000, 2000, 1500, 2000, 3000}
            << QList<qint64>{9000, 9000, 9000, 9000, 9000}
            << QList<qint64>{1000, 2000, -1, 2000, 3000};
        QTest::newRow("a clock ahead set right: skipped until past the last shown")
            << QList<qint64>{10000, 5500, 4000, 6500} << QList<qint64>{5000, 6000, 7000, 8000}
            << QList<qint64>{5000, 5500, -1, 6500};
    }

    void placed()
    {
        QFETCH(QList<qint64>, readings);
        QFETCH(QList<qint64>, nows);
        QFETCH(QList<qint64>, shown);

        RemoteReadingOrder order;
        quint64 skipped = 0;
        for (qsizetype i = 0; i < readings.size(); ++i) {
            const std::optional<qint64> at = order.place(readings[i], nows[i]);
            QCOMPARE(at.value_or(-1), shown[i]);
            skipped += !at;
        }
        QCOMPARE(order.skipped(), skipped);
    }
};

QTEST_GUILESS_MAIN(TestRemoteReadings)
#include "tst_remotereadings.moc"
