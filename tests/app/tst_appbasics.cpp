// The help text, window placement arithmetic and the window icon.
#include "app/HelpText.h"
#include "app/WindowIcon.h"
#include "platform/runtime/Twips.h"

#include <QtTest>

class TestAppBasics : public QObject
{
    Q_OBJECT

private slots:
    void helpTextLines();
    void helpTextWritesVersionNumbersInFull();
    void centring_data();
    void centring();
    void twipsEdgesStayNeighbours();
    void iconSides();
};

void TestAppBasics::helpTextLines()
{
    const QString text = helpText(1, 0, 5);
    QVERIFY(text.endsWith(QLatin1Char('\n')));
    QVERIFY(!text.contains(QLatin1Char('\r')));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 16); // fifteen lines, each ended by a line feed
    QCOMPARE(lines[0], QStringLiteral("Orvel On-line v" ORVEL_VERSION_TEXT));
    for (int blank : {1, 4, 6, 11})
        QCOMPARE(lines[blank], QStringLiteral(" "));
    QCOMPARE(lines[2], QStringLiteral("A utility to display on-line data and configure Kavrona's "
                                      "Dravelin(TM)."));
    QVERIFY(!lines[3].trimmed().isEmpty());
    QCOMPARE(lines[7], QStringLiteral("PLOTTING"));
    QCOMPARE(lines[9], QStringLiteral("- Use the white handles to scale the graph."));
    QCOMPARE(lines[12], QStringLiteral("SETUP"));
    QCOMPARE(lines[14],
             QStringLiteral("- Click the yellow 'Set' buttons to fix the changed parameter."));
    QCOMPARE(lines[15], QString());
}

void TestAppBasics::helpTextWritesVersionNumbersInFull()
{
    QVERIFY(helpText(1, 12, 305).startsWith(QStringLiteral("Orvel On-line v1.12.305\n")));
}

void TestAppBasics::centring_data()
{
    QTest::addColumn<QSizeF>("screen");
    QTest::addColumn<QSizeF>("window");
    QTest::addColumn<QPointF>("topLeft");
    QTest::newRow("1024x768 screen")
        << QSizeF(15360, 11520) << QSizeF(8772, 6012) << QPointF(3294, 2754);
    QTest::newRow("odd difference keeps the half")
        << QSizeF(15361, 11521) << QSizeF(8772, 6012) << QPointF(3294.5, 2754.5);
    QTest::newRow("window larger than screen")
        << QSizeF(4800, 3600) << QSizeF(8772, 6012) << QPointF(-1986, -1206);
}

void TestAppBasics::centring()
{
    QFETCH(QSizeF, screen);
    QFETCH(QSizeF, window);
    QFETCH(QPointF, topLeft);
    QCOMPARE(centredTopLeft(screen, window), topLeft);
}

void TestAppBasics::twipsEdgesStayNeighbours()
{
    // Gauges stacked at 2640 twips and the chart starting at 2640: no gap, no overlap in pixels.
    const QRect elevation = twipsRect(0, 0, 2652, 2640);
    const QRect azimuth = twipsRect(0, 2640, 2652, 2652);
    const QRect chart = twipsRect(2640, 0, 6012, 5292);
    QCOMPARE(elevation.bottom() + 1, azimuth.top());
    QCOMPARE(azimuth.bottom() + 1, twipsToPixels(5292));
    QCOMPARE(chart.right() + 1, twipsToPixels(8652));
    QCOMPARE(chart.left(), 176);
    QCOMPARE(twipsToPixels(8652), 577);
    QCOMPARE(twipsToPixels(5292), 353);
}

void TestAppBasics::iconSides()
{
    for (int size : {16, 32}) {
        const QImage icon = drawWindowIcon(size);
        QCOMPARE(icon.size(), QSize(size, size));
        // Left side of the triangle black, base white, the square's face light grey.
        const int y = int(size * 0.5);
        int firstDark = -1;
        for (int x = 0; x < size; ++x) {
            if (qGray(icon.pixel(x, y)) < 60) {
                firstDark = x;
                break;
            }
        }
        QVERIFY2(firstDark > 0 && firstDark < size / 2, qPrintable(QString::number(size)));
        QCOMPARE(qGray(icon.pixel(size / 2, int(size * 0.80))), 255);
        QVERIFY(qGray(icon.pixel(size / 8, size / 8)) > 150);
    }
}

QTEST_MAIN(TestAppBasics)
#include "tst_appbasics.moc"
