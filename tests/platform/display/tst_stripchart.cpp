#include "platform/display/ChartTickers.h"
#include "platform/display/StripChartWidget.h"

#include <QSignalSpy>
#include <QTest>
#include <qcustomplot.h>

namespace
{

constexpr double Second = 1.0 / 86400.0;

// A chart on screen with 90 seconds of data, 10 points a second, ending at 12:01:30.
struct ShownChart {
    StripChartWidget chart;
    QCustomPlot *plot = nullptr;

    ShownChart()
    {
        chart.resize(401, 353);
        chart.setChartMode(2);
        chart.setTimeScale(1.0 / 1440);
        for (int s = 43200; s < 43290; ++s) {
            for (int k = 0; k < 10; ++k) {
                chart.AddPoint(0, s * Second, (s - 43200) + k * 0.1);
                chart.AddPoint(1, s * Second, 200 + k);
            }
        }
        chart.show();
        chart.flush();
        plot = chart.findChild<QCustomPlot *>();
    }
    QRect area(int trace) const { return plot->axisRects().at(trace)->rect(); }
};

} // namespace

class TestStripChart : public QObject
{
    Q_OBJECT

private slots:
    void captionsBelongToTheCurrentTrace();
    void captionColourStartsAsBackColor();
    void valueAtCursor();
    void addingOnlyStoresUntilTheNextPicture();
    void followsTheNewestPointUntilMoved();
    void clickPlacesTheCursorAndRaisesTheEvent();
    void dragMovesTheCursor();
    void handleStretchesTheValueAxis();
    void dividerMoves();
    void timeLabels_data();
    void timeLabels();
    void timeTicksStayReadable();
};

void TestStripChart::captionsBelongToTheCurrentTrace()
{
    StripChartWidget chart;
    QCOMPARE(chart.CurrentTrace(), short(0));
    chart.setCaption(QStringLiteral("Elevation"));
    chart.setCurrentTrace(1);
    chart.setCaption(QStringLiteral("Azimuth"));
    QCOMPARE(chart.Caption(), QStringLiteral("Azimuth"));
    chart.setCurrentTrace(0);
    QCOMPARE(chart.Caption(), QStringLiteral("Elevation"));
    chart.setCurrentTrace(2); // not a trace: ignored
    QCOMPARE(chart.CurrentTrace(), short(0));
    QCOMPARE(chart.Caption(), QStringLiteral("Elevation"));
}

void TestStripChart::captionColourStartsAsBackColor()
{
    StripChartWidget chart;
    const std::uint32_t back = chart.BackColor();
    QVERIFY(back <= 0x00FFFFFF);
    QCOMPARE(chart.TraceCaptionColor(), back);
    chart.setTraceCaptionColor(0x000000FF); // light red
    chart.setCurrentTrace(1);
    QCOMPARE(chart.TraceCaptionColor(), back);
    chart.setTraceCaptionColor(0x00FF0000); // light blue
    QCOMPARE(chart.TraceCaptionColor(), std::uint32_t(0x00FF0000));
    chart.setCurrentTrace(0);
    QCOMPARE(chart.TraceCaptionColor(), std::uint32_t(0x000000FF));
    QCOMPARE(chart.BackColor(), back);
}

void TestStripChart::valueAtCursor()
{
    StripChartWidget chart;
    chart.setCursorX(0.5);
    QCOMPARE(chart.ValueAtCursor(0), 0.0); // no points
    chart.AddPoint(0, 0.5, 12.34);
    chart.AddPoint(1, 0.5, 359.96);
    chart.AddPoint(0, 0.5 + Second, 1.05);
    QCOMPARE(chart.ValueAtCursor(0), 12.34);
    QCOMPARE(chart.ValueAtCursor(1), 359.96);
    chart.setCursorX(0.5 + 2 * Second);
    QVERIFY(chart.ValueAtCursor(0) == 1.05);
    QCOMPARE(chart.cursorX(), 0.5 + 2 * Second);
    chart.ClearChart();
    QCOMPARE(chart.ValueAtCursor(0), 0.0);
    QCOMPARE(chart.ValueAtCursor(1), 0.0);
}

void TestStripChart::addingOnlyStoresUntilTheNextPicture()
{
    ShownChart shown;
    const long long before = shown.chart.replotCount();
    for (int i = 0; i < 5000; ++i)
        shown.chart.AddPoint(0, 43290 * Second, i);
    QCOMPARE(shown.chart.replotCount(), before);
    shown.chart.flush();
    QCOMPARE(shown.chart.replotCount(), before + 1);
    shown.chart.flush(); // nothing pending
    QCOMPARE(shown.chart.replotCount(), before + 1);
}

void TestStripChart::followsTheNewestPointUntilMoved()
{
    ShownChart shown;
    StripChartWidget &chart = shown.chart;
    QVERIFY(chart.isFollowing());
    QCPRange r = chart.timeRange();
    QVERIFY(qAbs(r.size() - 1.0 / 1440) < 1e-9);
    QVERIFY(r.lower < 43289 * Second && r.upper > 43289 * Second);

    chart.setTimeRange(43200 * Second, 43230 * Second);
    QVERIFY(!chart.isFollowing());
    chart.AddPoint(0, 43300 * Second, 1);
    chart.flush();
    QCOMPARE(chart.timeRange().lower, 43200 * Second);

    // A double click in a plotting area goes back to following, at the time scale's span.
    QTest::mouseDClick(shown.plot, Qt::LeftButton, {}, shown.area(0).center());
    chart.flush();
    QVERIFY(chart.isFollowing());
    r = chart.timeRange();
    QVERIFY(r.upper > 43300 * Second && r.lower < 43300 * Second);
    QVERIFY(qAbs(r.size() - 1.0 / 1440) < 1e-9);

    chart.setChartMode(1);
    QVERIFY(!chart.isFollowing());
}

void TestStripChart::clickPlacesTheCursorAndRaisesTheEvent()
{
    ShownChart shown;
    QSignalSpy events(&shown.chart, &StripChartWidget::CursorEvent);
    const QRect lower = shown.area(1);
    const QPoint at(lower.left() + lower.width() / 2, lower.center().y());
    QTest::mouseClick(shown.plot, Qt::LeftButton, {}, at);
    QCOMPARE(events.count(), 1);
    QCOMPARE(events.at(0).at(1).toInt(), 1); // pressed in the lower area
    QVERIFY(shown.chart.hasCursor());
    const QCPRange r = shown.chart.timeRange();
    QVERIFY(shown.chart.cursorX() > r.lower && shown.chart.cursorX() < r.upper);
    QCOMPARE(shown.chart.ValueAtCursor(0), shown.chart.store().valueAt(0, shown.chart.cursorX()));
    QCOMPARE(shown.chart.ValueAtCursor(1), shown.chart.store().valueAt(1, shown.chart.cursorX()));
}

void TestStripChart::dragMovesTheCursor()
{
    ShownChart shown;
    QSignalSpy events(&shown.chart, &StripChartWidget::CursorEvent);
    const QRect upper = shown.area(0);
    const int y = upper.center().y();
    QTest::mousePress(shown.plot, Qt::LeftButton, {}, QPoint(upper.left() + 20, y));
    const double first = shown.chart.cursorX();
    QTest::mouseMove(shown.plot, QPoint(upper.left() + 120, y));
    QTest::mouseRelease(shown.plot, Qt::LeftButton, {}, QPoint(upper.left() + 120, y));
    QCOMPARE(events.count(), 2);
    QVERIFY(shown.chart.cursorX() > first);
    // Moves after the release leave the cursor where it is.
    const double placed = shown.chart.cursorX();
    QTest::mouseMove(shown.plot, QPoint(upper.left() + 40, y));
    QCOMPARE(shown.chart.cursorX(), placed);
}

void TestStripChart::handleStretchesTheValueAxis()
{
    ShownChart shown;
    const QRect upper = shown.area(0);
    // The handle at the top of the elevation axis: dragging it down squeezes the scale.
    QTest::mousePress(shown.plot, Qt::LeftButton, {}, upper.topLeft());
    QTest::mouseMove(shown.plot, upper.topLeft() + QPoint(0, upper.height() / 2));
    QTest::mouseRelease(shown.plot, Qt::LeftButton, {},
                        upper.topLeft() + QPoint(0, upper.height() / 2));
    const QCPRange r = shown.chart.valueRange(0);
    QCOMPARE(r.lower, -90.0);
    QVERIFY2(r.upper > 250, qPrintable(QString::number(r.upper)));
    QCOMPARE(shown.chart.valueRange(1), QCPRange(0, 360));
}

void TestStripChart::dividerMoves()
{
    ShownChart shown;
    QCOMPARE(shown.chart.dividerFraction(), 0.465);
    const int gapY = (shown.area(0).bottom() + shown.area(1).top()) / 2;
    const int x = shown.area(0).center().x();
    QTest::mousePress(shown.plot, Qt::LeftButton, {}, QPoint(x, gapY));
    QTest::mouseMove(shown.plot, QPoint(x, gapY + 60));
    QTest::mouseRelease(shown.plot, Qt::LeftButton, {}, QPoint(x, gapY + 60));
    QVERIFY(shown.chart.dividerFraction() > 0.6);
    shown.chart.setDividerFraction(2.0);
    QCOMPARE(shown.chart.dividerFraction(), 0.85);
}

void TestStripChart::timeLabels_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("label");
    QTest::newRow("noon") << 0.5 << "%H:%M:%S "
                          << "12:00:00 ";
    QTest::newRow("past midnight") << 1.0 + 3661 * Second << "%H:%M:%S "
                                   << "01:01:01 ";
    QTest::newRow("last second") << 86399 * Second << "%H:%M:%S "
                                 << "23:59:59 ";
    QTest::newRow("percent") << 0.25 << "%H%%"
                             << "06%";
}

void TestStripChart::timeLabels()
{
    QFETCH(double, x);
    QFETCH(QString, format);
    QFETCH(QString, label);
    QCOMPARE(TimeOfDayTicker::formatTimeOfDay(x, format), label);
}

void TestStripChart::timeTicksStayReadable()
{
    // However far the chart is zoomed, a few labels, on whole seconds.
    QSharedPointer<TimeOfDayTicker> ticker = QSharedPointer<TimeOfDayTicker>::create();
    ticker->setTickCount(5);
    for (const double span : {10 * Second, 1.0 / 1440, 1.0 / 24, 1.0, 7.0}) {
        QVector<double> ticks;
        QVector<QString> labels;
        ticker->generate(QCPRange(0.3, 0.3 + span), QLocale::c(), 'g', 6, ticks, nullptr, &labels);
        QVERIFY2(ticks.size() >= 2 && ticks.size() <= 12, qPrintable(QString::number(span)));
        for (const double t : ticks)
            QVERIFY(qAbs(t * 86400 - qRound64(t * 86400)) < 1e-4);
    }
}

QTEST_MAIN(TestStripChart)
#include "tst_stripchart.moc"
